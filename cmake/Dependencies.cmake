# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
find_package(PkgConfig REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
if(BOOKFERRY_USB)
  pkg_check_modules(IMOBILEDEVICE REQUIRED IMPORTED_TARGET libimobiledevice-1.0)
  pkg_check_modules(USBMUXD REQUIRED IMPORTED_TARGET libusbmuxd-2.0)
endif()
find_package(OpenSSL REQUIRED)
find_package(Threads REQUIRED)

if(BOOKFERRY_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Network Widgets Svg Pdf DBus Test LinguistTools)
else()
  # The PDF reader process (QtPdf, on QtGui) is built even without the windows.
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Pdf Test)
endif()
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)

if(BOOKFERRY_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
