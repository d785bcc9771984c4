// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The survey's free functions: folder sums and the device-value dump.

#include "userdataiphone.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Folder sum: bytes of the files below `folder` (hidden names skipped), 64-bit. With an
// extension list (null-terminated), only files whose path contains one of them count.
uint64_t get_file_size_in_floder(userDataIphone *data, const char *folder, const char *const *extensions);

// Several folder sums from one walk: one sum per extension list (a null list counts every
// file), each equal to get_file_size_in_floder with that list. `folderWalked` (may be
// empty) hears of every folder finished. The file information of a folder's entries may be
// asked over the extra connections `lanes` of the same device as well, so that the request
// round trips overlap; the sums and messages stay those of the one-connection walk.
std::vector<uint64_t> folderSums(userDataIphone *data, const char *folder,
                                 const std::vector<const char *const *> &extensionLists,
                                 const std::function<void()> &folderWalked = {},
                                 const std::vector<afc_connection *> &lanes = {});

// Writes "key:value\n" when the device has a value for the key.
void putinfotofile(userDataIphone *data, const char *key, std::FILE *out);

// The extension lists of the music and video figures.
extern const char *const kMusicExtensions[];
extern const char *const kVideoExtensions[];

// The kind table: "ipodType", "FamilyID" and the kind code for a device-information model text.
struct DeviceKind
{
    const char *ipodType;
    const char *familyID;
    int code;
};
DeviceKind deviceKindForModel(const char *model);

// The leading decimal number of a version text ("3.1.3" gives 3.1, text without one 0),
// read the same way whatever the process's locale.
double leadingVersionNumber(const std::string &text);

// "%f"-style fixed notation with a '.' whatever the locale.
std::string formatFixed(double value, int precision);
