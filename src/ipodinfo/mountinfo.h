// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line of /proc/PID/mountinfo: the mounted device's number and where it is mounted.
struct MountInfoEntry
{
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint; // unescaped
    std::string fileSystem;
    std::string source; // unescaped
};

// The kernel writes space, tab, newline and backslash in paths as \040, \011, \012
// and \134; anything else stands as it is.
std::string unescapeMountInfoField(std::string_view field);

// Null for a line that is not a mount (too few fields, no " - " separator,
// malformed device number).
std::optional<MountInfoEntry> parseMountInfoLine(std::string_view line);

// All mounts in file order (later lines are mounted on top of earlier ones). Null
// with *error set to the errno when the file cannot be read.
std::optional<std::vector<MountInfoEntry>> readMountInfo(const std::string &path, int *error);
