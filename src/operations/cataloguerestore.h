// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookoperationresult.h"

#include <string>

struct userDataIphone;

// Puts the catalogue in `file` back on the connected device, under the device's sync lock
// (taken and given back here; the caller must not hold it), with the same safe upload as
// every change (the catalogue it replaces is backed up first). Entries whose book is no longer
// on the device are left out, and said so in the result's detail. The file must be a book
// catalogue; a backup of another device is refused. The scratch copy is brought up to date.
BookOperationResult restoreCatalogueBackup(const std::string &file, userDataIphone *data);
