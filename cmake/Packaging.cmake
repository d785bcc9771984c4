# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
# A Debian package of what cmake/Install.cmake installs: `cpack -G DEB` in the build folder
# (packaging/ci-package.sh builds, installs and checks it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bookferry)
set(CPACK_PACKAGE_VENDOR "Bookferry developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage the ePub books on an iPhone, iPad or iPod touch")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://bookferry.org/")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Bookferry developers <developers@bookferry.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Bookferry manages the ePub books stored on an iPhone, iPad or iPod touch
connected by USB: it shows the device's values and storage use, lists its
books, imports ePub files, exports books as .epub files and deletes the books
the user added. It also keeps the ePubs and PDFs of reader apps that share
their files.
.
The package holds the desktop application, the command-line tool
bookferry-cli and bookferry-device-emulator, which serves simulated devices
kept in folders through a usbmuxd socket.]=])
# Library dependencies are read from the linked shared libraries by dpkg-shlibdeps (QtPdf's
# from the PDF reader process in the resource folder).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Real devices are reached through the usbmuxd service; Qt's own dialogs speak the desktop's
# language with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "usbmuxd, qt6-translations-l10n")
# Qt's X11 platform plugin comes with libqt6gui6; the native Wayland one is packaged apart.
# bookferry-cli's completion file is loaded by bash-completion.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland, bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
