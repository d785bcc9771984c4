// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

struct userDataIphone;

enum class DeviceFilePresence { Present, Absent, Unknown };

// Whether the device holds /Books/Books.plist, from the listings of "/Books" and "/" (a
// failed question is Unknown, never Absent).
DeviceFilePresence deviceCatalogueExists(userDataIphone *data);
