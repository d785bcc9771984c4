// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Path rules shared by device and local paths: components are joined with exactly one
// separator, and trailing separators do not make an empty last component.

#include <string>

// "folder" + "/" + "name" with exactly one separator between them ("/Books/" and "a"
// give "/Books/a"); an empty folder gives the name, an empty name the folder.
std::string joinPath(const std::string &folder, const std::string &name);
// The last component ("/Books/MyBook/" gives "MyBook"; "/" stays "/").
std::string lastComponent(std::string path);
// The path without its last component ("/Books/a" gives "/Books", "/a" gives "/"); empty
// for a bare name.
std::string parentFolder(std::string path);
