// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

struct am_device;
struct userDataIphone;

// The one place a device's working files are named: deviceScratchPath() of the device's
// identifier, as the survey reports it under "guid" (at most 255 characters), so that the
// survey, the catalogue changes, the import and the window find the same copies. Empty
// without a device, an identifier or a usable scratch folder: nothing works on another
// device's copies instead.
std::string deviceWorkIdentifier(am_device *device);
std::string deviceWorkPath(userDataIphone *data, const std::string &relative);
