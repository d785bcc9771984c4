# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
# What `cmake --install` lays out: the programs, the resource folder, and what a desktop needs to
# offer the application (icons, AppStream metadata, man pages, shell completion; resources/ installs
# the menu entry).
#
# The programs look for their resources at ../share/bookferry beside their own folder, so bin/ and
# share/bookferry/ are fixed relative to each other and not taken from GNUInstallDirs.
set(BOOKFERRY_APP_ID org.bookferry.Bookferry)
# The menu entry (resources/bookferry.desktop) and the icon are named after the executable, which is
# also the window class and Wayland application id Qt gives the window, so desktops match the two.
set(BOOKFERRY_ICON_NAME bookferry)
set(_pkg_src "${PROJECT_SOURCE_DIR}/packaging")
set(_pkg_out "${CMAKE_BINARY_DIR}/packaging")

# bookferry-cli and the epubbuild packer carry their own install rules in tools/.
foreach(_program bookferry bookferry-device-emulator)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION bin)
  endif()
endforeach()

# Everything the build lays out in the resource folder (epubbuild comes in as a target above).
install(DIRECTORY "${BOOKFERRY_RESOURCE_DIR}/" DESTINATION share/bookferry
  USE_SOURCE_PERMISSIONS
  PATTERN epubbuild EXCLUDE)

# The newest release in the metadata dates the man pages, so a release is written down once.
file(STRINGS "${_pkg_src}/${BOOKFERRY_APP_ID}.metainfo.xml" _releases REGEX "<release ")
set(BOOKFERRY_RELEASE_DATE "")
if(_releases)
  list(GET _releases 0 _newest)
  if(_newest MATCHES "date=\"([0-9-]+)\"")
    set(BOOKFERRY_RELEASE_DATE "${CMAKE_MATCH_1}")
  endif()
endif()

set(_generated)

# Man pages, compressed as Debian expects when gzip is at hand.
find_program(BOOKFERRY_GZIP gzip)
foreach(_program bookferry bookferry-cli bookferry-device-emulator)
  if(NOT TARGET ${_program})
    continue()
  endif()
  set(_page "${_pkg_out}/man/${_program}.1")
  configure_file("${_pkg_src}/man/${_program}.1.in" "${_page}" @ONLY)
  if(BOOKFERRY_GZIP)
    set(_gz "${_pkg_out}/man1/${_program}.1.gz")
    add_custom_command(OUTPUT "${_gz}"
      COMMAND ${CMAKE_COMMAND} -E copy "${_page}" "${_pkg_out}/man1/${_program}.1"
      COMMAND "${BOOKFERRY_GZIP}" -9nf "${_pkg_out}/man1/${_program}.1"
      DEPENDS "${_page}"
      COMMENT "Compressing the ${_program} man page"
      VERBATIM)
    list(APPEND _generated "${_gz}")
    install(FILES "${_gz}" DESTINATION share/man/man1)
  else()
    install(FILES "${_page}" DESTINATION share/man/man1)
  endif()
endforeach()

# Completion of bookferry-cli's commands and options, where bash-completion loads it on first use.
if(TARGET bookferry-cli)
  install(FILES "${_pkg_src}/completion/bookferry-cli.bash" DESTINATION share/bash-completion/completions
    RENAME bookferry-cli)
endif()

if(TARGET bookferry)
  set(_icon_svg "${PROJECT_SOURCE_DIR}/resources/artwork/bookferry.svg")
  # PNG icons in the sizes menus and docks ask for, rendered from the application's SVG.
  if(TARGET bookferry_svgrender)
    foreach(_size 16 22 24 32 48 64 128 256 512)
      set(_dir "${_pkg_out}/icons/hicolor/${_size}x${_size}/apps")
      set(_png "${_dir}/${BOOKFERRY_ICON_NAME}.png")
      add_custom_command(OUTPUT "${_png}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${_dir}"
        COMMAND bookferry_svgrender "${_icon_svg}" "${_png}" ${_size} ${_size}
        DEPENDS "${_icon_svg}" bookferry_svgrender
        COMMENT "Rendering the ${_size}x${_size} application icon"
        VERBATIM)
      list(APPEND _generated "${_png}")
      install(FILES "${_png}" DESTINATION "share/icons/hicolor/${_size}x${_size}/apps")
    endforeach()
  endif()
  install(FILES "${_icon_svg}" DESTINATION share/icons/hicolor/scalable/apps
    RENAME "${BOOKFERRY_ICON_NAME}.svg")
  install(FILES "${_pkg_src}/${BOOKFERRY_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
endif()

install(FILES "${_pkg_src}/copyright" "${PROJECT_SOURCE_DIR}/README.md" DESTINATION share/doc/bookferry)

add_custom_target(bookferry_install_files ALL DEPENDS ${_generated})
