// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/cataloguepresence.h"

#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"

#include <optional>
#include <string>

namespace {
// nullopt when the folder cannot be listed to its end: a listing cut short says nothing
// about the names it did not reach.
std::optional<bool> folderHolds(userDataIphone *data, const char *folder, const std::string &name)
{
    afc_directory *dir = nullptr;
    if (!data || !data->conn || AFCDirectoryOpen(data->conn, folder, &dir) != 0 || !dir)
        return std::nullopt;
    bool found = false;
    bool whole = true;
    for (char *entry = nullptr;;) {
        if (AFCDirectoryRead(data->conn, dir, &entry) != 0) {
            whole = false;
            break;
        }
        if (!entry)
            break;
        if (name == entry)
            found = true;
    }
    AFCDirectoryClose(data->conn, dir);
    if (found)
        return true;
    return whole ? std::optional<bool>(false) : std::nullopt;
}
} // namespace

DeviceFilePresence deviceCatalogueExists(userDataIphone *data)
{
    if (auto inBooks = folderHolds(data, "/Books", "Books.plist"))
        return *inBooks ? DeviceFilePresence::Present : DeviceFilePresence::Absent;
    // No "/Books" folder that lists: absent only when the root lists without it.
    if (auto inRoot = folderHolds(data, "/", "Books"); inRoot && !*inRoot)
        return DeviceFilePresence::Absent;
    return DeviceFilePresence::Unknown;
}
