// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipoddevice.h"

#include "bookkeys.h"
#include "catalogue.h"
#include "scratch.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <sstream>

double leadingNumber(const std::string &text)
{
    // Parse in the "C" locale whatever the process locale says about decimal separators.
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    return in.fail() ? 0.0 : value;
}

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

EpubList iPodDevice::getiPodEbooks() const
{
    EpubList out;
    const Catalogue books = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    for (plist_t entry : books.books()) {
        if (entryBool(entry, BookKey::UserItem).value_or(false))
            continue;
        out.push_back(epub::initWithDict(entry));
    }
    // Purchases are listed whatever their "User Item" says, also when Books.plist is unreadable.
    const Catalogue purchases = Catalogue::load(scratchPath(CataloguePath::LocalPurchases));
    for (plist_t entry : purchases.books()) {
        auto record = epub::initWithDict(entry);
        record->setispurchases(true);
        out.push_back(record);
    }
    return out;
}

EpubList iPodDevice::getiPodCustomEbooks() const
{
    EpubList out;
    const Catalogue books = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    for (plist_t entry : books.books()) {
        if (!entryBool(entry, BookKey::UserItem).value_or(false))
            continue;
        auto record = epub::initWithDict(entry);
        record->setisuserItem(true);
        out.push_back(record);
    }
    return out;
}
