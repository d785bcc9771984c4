// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicecatalogue.h"

#include "bookkeys.h"
#include "devicefiles.h"
#include "mobiledevice.h"
#include "scratch.h"
#include "userdataiphone.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {
constexpr const char *kRemoteUpload = "/Books/.Books.plist.upload"; // hidden: not summed, not a book
constexpr const char *kLocalUpload = "Books/Books.plist.upload";

// nullopt when the folder cannot be listed.
std::optional<bool> folderHolds(userDataIphone *data, const char *folder, const std::string &name)
{
    afc_directory *dir = nullptr;
    if (!data || !data->conn || AFCDirectoryOpen(data->conn, folder, &dir) != 0 || !dir)
        return std::nullopt;
    bool found = false;
    char *entry = nullptr;
    while (AFCDirectoryRead(data->conn, dir, &entry) == 0 && entry) {
        if (name == entry)
            found = true;
    }
    AFCDirectoryClose(data->conn, dir);
    return found;
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

std::optional<Catalogue> loadCatalogueForChange(userDataIphone *data, bool createWhenMissing, std::string *error)
{
    const std::string local = scratchPath(CataloguePath::LocalBooks);
    if (local.empty()) {
        *error = "the scratch folder cannot be used";
        return std::nullopt;
    }
    Catalogue catalogue = Catalogue::load(local);
    if (catalogue.isLoaded())
        return catalogue;
    if (catalogue.state() == Catalogue::State::Unreadable) {
        *error = "the device's book catalogue cannot be read, so it is left as it is: " + catalogue.error();
        return std::nullopt;
    }
    switch (deviceCatalogueExists(data)) {
    case DeviceFilePresence::Absent:
        if (!createWhenMissing)
            return catalogue; // Missing: nothing to change
        return Catalogue();
    case DeviceFilePresence::Unknown:
        *error = "cannot tell whether the device has a book catalogue";
        return std::nullopt;
    case DeviceFilePresence::Present:
        break;
    }
    std::error_code ec;
    fs::create_directories(fs::path(local).parent_path(), ec);
    if (get_file(data, local.c_str(), CataloguePath::DeviceBooks) != 0) {
        *error = "cannot copy the device's book catalogue";
        return std::nullopt;
    }
    catalogue = Catalogue::load(local);
    if (!catalogue.isLoaded()) {
        *error = "the device's book catalogue cannot be read, so it is left as it is: " + catalogue.error();
        return std::nullopt;
    }
    return catalogue;
}

bool uploadCatalogue(const Catalogue &catalogue, userDataIphone *data, std::string *error)
{
    const std::string upload = scratchPath(kLocalUpload);
    if (upload.empty() || !catalogue.write(upload, error)) {
        if (error && error->empty())
            *error = "the scratch folder cannot be used";
        return false;
    }
    std::error_code ec;
    if (!data || !data->conn || put_file(data, upload.c_str(), kRemoteUpload) != 0) {
        fs::remove(upload, ec);
        *error = "cannot upload the book catalogue to the device";
        return false;
    }
    if (AFCRenamePath(data->conn, kRemoteUpload, CataloguePath::DeviceBooks) != 0) {
        AFCRemovePath(data->conn, kRemoteUpload);
        fs::remove(upload, ec);
        *error = "cannot replace the book catalogue on the device";
        return false;
    }
    fs::rename(upload, scratchPath(CataloguePath::LocalBooks), ec);
    if (ec) {
        *error = "the device's catalogue was updated, but its local copy could not be replaced";
        return false;
    }
    return true;
}
