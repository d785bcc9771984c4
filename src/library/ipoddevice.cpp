// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/ipoddevice.h"

#include "core/numbertext.h"
#include "library/bookfields.h"
#include "library/bookkeys.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

iPodDevice::iPodDevice(const std::string &volumePath, const std::optional<std::string> &productVersion)
    : m_volumePath(volumePath), m_productVersion(productVersion)
{
    if (productVersion) {
        m_deviceType = leadingNumber(*productVersion) >= 3.0 ? 3 : 2;
    } else {
        std::error_code ec;
        m_deviceType = std::filesystem::exists(volumePath + "/iPod_Control/iTunes/iTunes Library.itlp", ec) ? 4 : 1;
    }
}

std::shared_ptr<iPodDevice> iPodDevice::initDeviceWithData(const std::string &volumePath,
                                                           const std::optional<std::string> &productVersion)
{
    return std::make_shared<iPodDevice>(volumePath, productVersion);
}

int iPodDevice::productVersion312() const
{
    return (m_productVersion == "3.0" || m_productVersion == "3.1") ? 0 : 2;
}

namespace {
constexpr std::uintmax_t kMaxCatalogueBytes = 256u * 1024u * 1024u;

// The entries of a catalogue file. The file is read afresh on every call; its bytes are only
// parsed again when they differ from the last read's: both book lists read the same file one
// after the other.
std::shared_ptr<const BookFieldList> readBooks(const std::string &path)
{
    static std::mutex mutex;
    static std::map<std::string, std::pair<std::string, std::shared_ptr<const BookFieldList>>> last;

    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > kMaxCatalogueBytes)
        return std::make_shared<BookFieldList>();
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    {
        std::lock_guard lock(mutex);
        auto it = last.find(path);
        if (it != last.end() && it->second.first == bytes)
            return it->second.second;
    }
    auto books = std::make_shared<const BookFieldList>(readCatalogueBooks(bytes));
    std::lock_guard lock(mutex);
    last[path] = {std::move(bytes), books};
    return books;
}

// A fresh record, as epub::initWithDict makes it from the entry.
std::shared_ptr<epub> recordOf(const BookFields &f)
{
    auto record = std::make_shared<epub>();
    record->setMediaName(f.name);
    record->setMediaArtist(f.artist);
    record->setMediaAlbum(f.album);
    record->setMediaGenre(f.genre);
    record->setMediaPcPath(f.path);
    return record;
}
} // namespace

EpubList iPodDevice::getiPodEbooks() const
{
    EpubList out;
    // Held here: the cache may drop its copy while the loop runs.
    const auto library = readBooks(m_volumePath + "/" + CataloguePath::LocalBooks);
    for (const BookFields &f : *library) {
        if (!f.userItem)
            out.push_back(recordOf(f));
    }
    // Purchases are listed whatever their "User Item" says, also when Books.plist is unreadable.
    const auto purchases = readBooks(m_volumePath + "/" + CataloguePath::LocalPurchases);
    for (const BookFields &f : *purchases) {
        auto record = recordOf(f);
        record->setispurchases(true);
        out.push_back(record);
    }
    return out;
}

EpubList iPodDevice::getiPodCustomEbooks() const
{
    EpubList out;
    const auto library = readBooks(m_volumePath + "/" + CataloguePath::LocalBooks);
    for (const BookFields &f : *library) {
        if (!f.userItem)
            continue;
        auto record = recordOf(f);
        record->setisuserItem(true);
        out.push_back(record);
    }
    return out;
}
