// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/cataloguerestore.h"

#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/synclock.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "operations/cataloguebackup.h"
#include "operations/devicecatalogue.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {
bool deviceHasItem(userDataIphone *data, const std::string &path)
{
    return readFileInfo(data->conn, path).has_value();
}
} // namespace

BookOperationResult restoreCatalogueBackup(const std::string &file, userDataIphone *data)
{
    const std::string item = fs::path(file).filename().string();
    if (!data || !data->conn)
        return BookOperationResult::makeFailed(item, uiText("Operations", "no device is connected"));
    Catalogue catalogue = Catalogue::load(file);
    if (!catalogue.isLoaded() || !catalogue.hadBooksArray())
        return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "not a book catalogue: %1"),
                                                         {catalogue.isLoaded() ? uiText("Operations", "it has no \"Books\" array")
                                                                               : catalogue.error()}));
    // A backup kept for another device would name books this one does not have.
    const std::string root = catalogueBackupRoot();
    const fs::path parent = fs::weakly_canonical(fs::path(file)).parent_path();
    std::error_code ec;
    const std::string identifier = data->dev ? AMDeviceCopyDeviceIdentifier(data->dev) : std::string();
    if (!root.empty() && parent.parent_path() == fs::weakly_canonical(root, ec) &&
        parent.filename() != fs::path(catalogueBackupDir(identifier)).filename())
        return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "this copy was kept for another device (%1)"),
                                                         {parent.filename().string()}));

    // Keeping a copy of the catalogue being replaced may forget the oldest copy, which can be
    // the one being put back: a failed restore must not lose it.
    std::string chosenBytes;
    {
        std::ifstream in(file, std::ios::binary);
        chosenBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    startToSync(data);
    std::vector<std::string> missing;
    for (plist_t entry : catalogue.books()) {
        if (const auto path = entryString(entry, BookKey::Path)) {
            const bool plain = !path->empty() && *path != "." && *path != ".." && path->find('/') == std::string::npos;
            if (!plain || !deviceHasItem(data, "/Books/" + *path))
                missing.push_back(*path);
        }
    }
    for (const std::string &path : missing)
        catalogue.removeBooksWithPath(path);
    std::string error;
    const bool uploaded = uploadCatalogue(catalogue, data, &error);
    endsync(data);
    if (!uploaded) {
        if (!fs::exists(file, ec))
            std::ofstream(file, std::ios::binary | std::ios::trunc) << chosenBytes;
        return BookOperationResult::makeFailed(item, error);
    }
    BookOperationResult result = BookOperationResult::makeDone(item);
    if (!missing.empty()) {
        result.detail = uiText("Operations", "%n book(s) of the copy are no longer on the device and were "
                                             "left out:", nullptr, int(missing.size()));
        for (const std::string &path : missing)
            result.detail += " " + path;
    }
    return result;
}
