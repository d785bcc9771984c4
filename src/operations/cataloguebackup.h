// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct userDataIphone;

// Copies of a device's /Books/Books.plist, kept before every change Bookferry makes to it, so
// that a catalogue broken by any tool can be put back. They live in the user's data folder,
// one folder per device identifier:
//   <data folder>/backups/<device identifier>/Books-YYYYMMDD-HHMMSS-mmm.plist
// and only the newest kCatalogueBackupsKept of a device are kept.

inline constexpr std::size_t kCatalogueBackupsKept = 20;

struct CatalogueBackup
{
    std::string path;
    std::string deviceIdentifier;
    std::string created; // "YYYY-MM-DD HH:MM:SS.mmm" UTC, from the file name
    uintmax_t size = 0;
};

// <data folder>/backups; empty when the data folder cannot be formed.
std::string catalogueBackupRoot();
// The folder of one device's backups (the identifier made safe as a file name).
std::string catalogueBackupDir(const std::string &deviceIdentifier);

// The backups of one device, or of every device when `deviceIdentifier` is empty, newest first.
std::vector<CatalogueBackup> listCatalogueBackups(const std::string &deviceIdentifier = {});

// Keeps a copy of the connected device's catalogue as it is now, then forgets all but the
// newest kCatalogueBackupsKept. True also when the device has no catalogue (nothing to keep;
// *backupPath stays empty). False with *error when a copy could not be kept: the caller must
// not change the catalogue then.
bool backUpDeviceCatalogue(userDataIphone *data, std::string *error, std::string *backupPath = nullptr);
// The same for a catalogue the caller knows the device to hold now (`bytes`, read from it
// under the sync lock that is still held), kept without reading it again.
bool keepCatalogueBackup(userDataIphone *data, const std::string &bytes, std::string *error,
                         std::string *backupPath = nullptr);
