// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/devicecatalogue.h"

#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/deviceworkpath.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"
#include "library/bookkeys.h"
#include "operations/cataloguebackup.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
constexpr const char *kRemoteUpload = "/Books/.Books.plist.upload"; // hidden: not summed, not a book
constexpr const char *kLocalUpload = "Books/Books.plist.upload";
constexpr const char *kLocalFresh = "Books/Books.plist.current";

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The device catalogue's size and modification time, from one file-information request:
// what tells, cheaply, that someone else wrote it. nullopt when the device gives none.
std::optional<std::string> stampOf(const std::optional<DeviceFileInfo> &info)
{
    if (!info)
        return std::nullopt;
    return (info->size ? std::to_string(*info->size) : std::string()) + "/" + info->mtime;
}

std::optional<DeviceFileInfo> catalogueInfo(userDataIphone *data)
{
    return data && data->conn ? readFileInfo(data->conn, CataloguePath::DeviceBooks) : std::nullopt;
}

std::optional<std::string> catalogueStamp(userDataIphone *data)
{
    return stampOf(catalogueInfo(data));
}

// Nothing is kept outside a batch's lock: there the next change asks the device again anyway.
void rememberCatalogue(CatalogueKnowledge *known, bool present, const std::string &bytes, const std::string &stamp)
{
    if (!known || !known->active)
        return;
    known->known = true;
    known->present = present;
    known->bytes = present ? bytes : std::string();
    known->stamp = present ? stamp : std::string();
    known->booksFolder = known->booksFolder || present; // the catalogue lives in it
}

bool remembering(const CatalogueKnowledge *known)
{
    return known && known->active;
}

// The working copy the book lists read, made to hold `bytes`; removed when it cannot.
void followDevice(const std::string &local, const std::string &bytes)
{
    if (bytes == readFile(local))
        return;
    const std::string fresh = local + ".current";
    std::error_code ec;
    if (!local.empty()) {
        std::ofstream(fresh, std::ios::binary | std::ios::trunc) << bytes;
        if (readFile(fresh) == bytes) {
            fs::rename(fresh, local, ec);
            if (!ec)
                return;
        }
        fs::remove(fresh, ec);
    }
    fs::remove(local, ec);
}

// The device's catalogue read straight into memory, in one read when it is `expected` bytes
// long (the next, empty read ends it): nullopt when a request fails or the file is empty (no
// catalogue is). Asking for more than expected would cost a request more: the layer goes on
// reading until the buffer is full or the file ends. When the device has just said the file
// is `expected` bytes long (`knownSize`), that one read ends it.
std::optional<std::string> readDeviceCatalogue(userDataIphone *data, std::size_t expected,
                                               std::optional<uint64_t> knownSize = std::nullopt)
{
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(data->conn, CataloguePath::DeviceBooks, AFC_MODE_READ, 0, &ref) != 0)
        return std::nullopt;
    std::string bytes;
    std::string buffer(std::clamp<std::size_t>(expected, 1, kTransferChunk), '\0');
    bool whole = true;
    for (;;) {
        auto len = static_cast<unsigned int>(buffer.size());
        if (AFCFileRefRead(data->conn, ref, buffer.data(), &len) != 0) {
            whole = false;
            break;
        }
        if (len == 0)
            break;
        if (bytes.size() + len > kMaxCatalogueBytes) {
            whole = false; // a device that answers without end
            break;
        }
        bytes.append(buffer.data(), std::min<std::size_t>(len, buffer.size()));
        if (knownSize && *knownSize == expected && bytes.size() == expected)
            break;
    }
    if (AFCFileRefClose(data->conn, ref) != 0 || !whole || bytes.empty())
        return std::nullopt;
    return bytes;
}

} // namespace

std::string catalogueTooLarge(uint64_t size)
{
    constexpr uint64_t mb = 1024 * 1024;
    return uiArgs(uiText("Operations", "the device's book catalogue is %1 MB, more than the %2 MB this program reads, so it is left as it is"),
                  {std::to_string((size + mb - 1) / mb), std::to_string(kMaxCatalogueBytes / mb)});
}

std::optional<Catalogue> loadCatalogueForChange(userDataIphone *data, bool createWhenMissing, std::string *error,
                                                CatalogueKnowledge *known)
{
    if (known)
        ++known->changes;
    const std::string local = deviceWorkPath(data, CataloguePath::LocalBooks);
    const std::string fresh = deviceWorkPath(data, kLocalFresh);
    if (local.empty() || fresh.empty()) {
        *error = uiText("Operations", "the scratch folder cannot be used");
        return std::nullopt;
    }
    std::error_code ec;
    auto absent = [&] {
        // A copy the device no longer backs is not shown as its books.
        fs::remove(local, ec);
        if (!createWhenMissing)
            return Catalogue::load(local); // Missing: nothing to change
        return Catalogue();
    };
    if (remembering(known) && known->known) {
        // The device (its own library, or a program that ignores the lock) may have written
        // the catalogue since: what the batch knows counts only while the file is unchanged.
        const std::optional<std::string> stamp = catalogueStamp(data);
        if (!known->present && !stamp)
            return absent();
        Catalogue catalogue = Catalogue::fromData(known->bytes);
        if (known->present && stamp && *stamp == known->stamp && catalogue.isLoaded()) {
            followDevice(local, known->bytes);
            return catalogue;
        }
        known->forget();
    }
    switch (deviceCatalogueExists(data)) {
    case DeviceFilePresence::Absent:
        rememberCatalogue(known, false, {}, {});
        return absent();
    case DeviceFilePresence::Unknown:
        *error = uiText("Operations", "cannot tell whether the device has a book catalogue");
        return std::nullopt;
    case DeviceFilePresence::Present:
        break;
    }
    fs::create_directories(fs::path(local).parent_path(), ec);
    // Taken before the read: a change during it makes the next change read afresh.
    const std::string stamp = remembering(known) ? catalogueStamp(data).value_or(std::string()) : std::string();
    uint64_t size = 0;
    if (const int copied = get_file_at_most(data, fresh.c_str(), CataloguePath::DeviceBooks, kMaxCatalogueBytes, &size);
        copied != 0) {
        fs::remove(fresh, ec);
        *error = copied == kFileTooLarge ? catalogueTooLarge(size) : uiText("Operations", "cannot copy the device's book catalogue");
        return std::nullopt;
    }
    const std::string onDevice = readFile(fresh);
    Catalogue catalogue = Catalogue::fromData(onDevice);
    if (!catalogue.isLoaded()) {
        fs::remove(fresh, ec);
        *error = uiArgs(uiText("Operations", "the device's book catalogue cannot be read, so it is left as it is: %1"), {catalogue.error()});
        return std::nullopt;
    }
    if (onDevice != readFile(local)) {
        fs::rename(fresh, local, ec);
        if (ec)
            fs::remove(local, ec); // rather no copy than one the device no longer holds
    }
    fs::remove(fresh, ec);
    rememberCatalogue(known, true, onDevice, stamp);
    return catalogue;
}

namespace {
// The upload itself; *written is what was uploaded.
bool uploadAndCheck(const Catalogue &catalogue, userDataIphone *data, std::string *error, bool *deviceMayHaveChanged,
                    const CatalogueKnowledge *known, std::string *written, std::string *stamp)
{
    if (deviceMayHaveChanged)
        *deviceMayHaveChanged = false;
    const std::string upload = deviceWorkPath(data, kLocalUpload);
    if (upload.empty() || !catalogue.write(upload, error)) {
        if (error && error->empty())
            *error = uiText("Operations", "the scratch folder cannot be used");
        return false;
    }
    std::error_code ec;
    // The catalogue as it is now is kept before it is replaced; without that copy nothing changes.
    std::string backup;
    // Under a batch's lock the catalogue the device holds may be known already: kept from memory.
    auto backUp = [&] {
        if (!remembering(known) || !known->known)
            return backUpDeviceCatalogue(data, error, &backup);
        return !known->present || keepCatalogueBackup(data, known->bytes, error, &backup);
    };
    if (!data || !data->conn || !backUp()) {
        fs::remove(upload, ec);
        if (error && error->empty())
            *error = uiText("Operations", "no device is connected");
        return false;
    }
    if (put_file(data, upload.c_str(), kRemoteUpload) != 0) {
        AFCRemovePath(data->conn, kRemoteUpload);
        fs::remove(upload, ec);
        *error = uiText("Operations", "cannot upload the book catalogue to the device");
        return false;
    }
    const std::string local = deviceWorkPath(data, CataloguePath::LocalBooks);
    const bool renamed = AFCRenamePath(data->conn, kRemoteUpload, CataloguePath::DeviceBooks) == 0;
    // Before the read-back: a write by someone else after it shows as another stamp.
    std::optional<uint64_t> sizeNow;
    if (renamed && remembering(known)) {
        const std::optional<DeviceFileInfo> info = catalogueInfo(data);
        *stamp = stampOf(info).value_or(std::string());
        if (info && info->complete)
            sizeNow = info->size;
    }

    // Read the catalogue back: it tells a rename whose answer was lost from one that did not
    // happen, and a device that stores something else from one that took the catalogue.
    *written = readFile(upload);
    // One more try: a read that failed once says little about what the device holds.
    std::optional<std::string> back = readDeviceCatalogue(data, written->size(), sizeNow);
    if (!back)
        back = readDeviceCatalogue(data, written->size());
    const bool readBack = back.has_value();
    const std::string onDevice = readBack ? *back : std::string();
    if (readBack && onDevice == *written) {
        fs::rename(upload, local, ec);
        if (ec) {
            fs::remove(upload, ec);
            fs::remove(local, ec); // the next change asks the device again
            *error = uiText("Operations", "the device's catalogue was updated, but its local copy could not be replaced");
            if (deviceMayHaveChanged)
                *deviceMayHaveChanged = true;
            return false;
        }
        return true;
    }
    if (!renamed)
        AFCRemovePath(data->conn, kRemoteUpload);
    const bool unchanged = readBack && !backup.empty() && onDevice == readFile(backup);
    if (deviceMayHaveChanged)
        *deviceMayHaveChanged = !unchanged;
    // The working copy follows what the device most likely holds: what it gave back when that
    // is a catalogue, the new one when the rename was answered, else the old one.
    if (readBack && !unchanged && Catalogue::fromData(onDevice).isLoaded()) {
        std::ofstream(upload, std::ios::binary | std::ios::trunc) << onDevice;
        fs::rename(upload, local, ec);
    } else if (!readBack && renamed) {
        fs::rename(upload, local, ec);
    }
    fs::remove(upload, ec);
    if (!renamed)
        *error = uiText("Operations", "cannot replace the book catalogue on the device");
    else if (!readBack)
        *error = uiText("Operations", "the book catalogue was uploaded, but could not be read back from the device to check it");
    else
        *error = uiText("Operations", "the book catalogue read back from the device differs from the one uploaded");
    return false;
}
} // namespace

bool uploadCatalogue(const Catalogue &catalogue, userDataIphone *data, std::string *error, bool *deviceMayHaveChanged,
                     CatalogueKnowledge *known)
{
    if (known)
        ++known->changes;
    std::string written, stamp;
    if (!uploadAndCheck(catalogue, data, error, deviceMayHaveChanged, known, &written, &stamp)) {
        if (known)
            known->forget();
        return false;
    }
    rememberCatalogue(known, true, written, stamp);
    return true;
}

void CatalogueKnowledge::begin()
{
    const unsigned long count = changes;
    *this = CatalogueKnowledge();
    active = true;
    changes = count + 1;
}

void CatalogueKnowledge::forget()
{
    const bool wasActive = active;
    const unsigned long count = changes;
    *this = CatalogueKnowledge();
    active = wasActive;
    changes = count + 1;
}

bool ensureBooksFolder(userDataIphone *data, CatalogueKnowledge *known)
{
    if (remembering(known) && known->booksFolder)
        return true;
    if (dirExists("/Books", data) != 0 && n_mkdir("/Books", data) != 0)
        return false;
    if (remembering(known))
        known->booksFolder = true;
    return true;
}
