// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Small libplist helpers shared by the folder backend and the demo device.

#include "core/plistptr.h"
#include "device/link/plistscalar.h"

#include <optional>
#include <string>

// Reads an XML or binary property list; null when the file is missing or not a plist.
PlistPtr readPlistFile(const std::string &path);
// Writes the XML form through a temporary file and a rename.
bool writePlistXmlFile(const std::string &path, plist_t root);
