// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// The resource folder (pictures, help pages, Info.plist, the epubbuild packer):
// BOOKFERRY_RESOURCES when set, else ../share/bookferry next to the running executable,
// which holds both in the build tree and after installation under any prefix.
std::string resourceDir();
std::string resourcePath(const std::string &relative);

// The folder of the running executable.
std::string executableDir();
