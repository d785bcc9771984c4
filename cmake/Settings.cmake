# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
# One interface target carries the settings every target of ours shares.
add_library(bookferry_settings INTERFACE)
target_compile_features(bookferry_settings INTERFACE cxx_std_20)
target_compile_options(bookferry_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
target_compile_definitions(bookferry_settings INTERFACE
  QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_USE_QSTRINGBUILDER
  BOOKFERRY_VERSION="${PROJECT_VERSION}")
# Headers are included by their path from src/ ("device/backend/mobiledevice.h"), so the
# layer shows where a header is used; src/ is the one include root.
target_include_directories(bookferry_settings INTERFACE "${PROJECT_SOURCE_DIR}/src")

# BOOKFERRY_SANITIZE=ON: AddressSanitizer + UndefinedBehaviorSanitizer;
# BOOKFERRY_SANITIZE=thread: ThreadSanitizer (it cannot be combined with the other two).
if(BOOKFERRY_SANITIZE STREQUAL "thread")
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(bookferry_settings INTERFACE ${_san})
  target_link_options(bookferry_settings INTERFACE ${_san})
elseif(BOOKFERRY_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(bookferry_settings INTERFACE ${_san})
  target_link_options(bookferry_settings INTERFACE ${_san})
endif()
# The sanitizer and fuzzing trees exist for their reports, whose stacks need file, line and
# inlined-function names only: line tables (-g1) instead of full debug information cut a fifth
# off compiling a test file and shrink what the linker reads. The ordinary tree keeps -g for gdb.
if(BOOKFERRY_SANITIZE OR BOOKFERRY_FUZZ)
  target_compile_options(bookferry_settings INTERFACE -g1)
endif()

# lld links the test programs in about a third of the CPU time of the default linker (they are
# linked in three trees); the default linker stays where lld is missing.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld BOOKFERRY_HAVE_LLD)
if(BOOKFERRY_HAVE_LLD)
  target_link_options(bookferry_settings INTERFACE -fuse-ld=lld)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()
