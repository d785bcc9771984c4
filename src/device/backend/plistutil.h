// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Small libplist helpers shared by the folder backend and the demo device.

#include "core/plistptr.h"
#include "device/backend/plistscalar.h"

#include <cstddef>
#include <optional>
#include <string>

// The largest property list file read: a device's own files are far smaller.
inline constexpr std::size_t kPlistFileLimit = 64u << 20;
// Reads an XML or binary property list; null when the file is missing, not a regular file
// (a folder, a FIFO, a link), larger than kPlistFileLimit or not a plist.
PlistPtr readPlistFile(const std::string &path);
// Writes the XML form through a temporary file and a rename.
bool writePlistXmlFile(const std::string &path, plist_t root);
