// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/cataloguebackup.h"

#include "core/datadir.h"
#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "operations/cataloguepresence.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace fs = std::filesystem;

namespace {
constexpr const char *kPrefix = "Books-";
constexpr const char *kSuffix = ".plist";

std::string safeName(const std::string &identifier)
{
    std::string out;
    for (char c : identifier) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        out += plain ? c : '_';
    }
    if (out.empty() || out == "." || out == "..")
        out = "unknown-device";
    return out;
}

// "Books-20261206-073012-345.plist" -> "2026-12-06 07:30:12.345"; empty for other names.
std::string createdFromName(const std::string &name)
{
    const std::string prefix(kPrefix), suffix(kSuffix);
    if (name.size() < prefix.size() + 19 + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {};
    const std::string t = name.substr(prefix.size(), 19); // YYYYMMDD-HHMMSS-mmm
    if (t[8] != '-' || t[15] != '-')
        return {};
    for (std::size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 9u, 10u, 11u, 12u, 13u, 14u, 16u, 17u, 18u})
        if (t[i] < '0' || t[i] > '9')
            return {};
    return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(9, 2) + ":" +
           t.substr(11, 2) + ":" + t.substr(13, 2) + "." + t.substr(16, 3);
}

std::string timestampName()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
    char ms[8];
    std::snprintf(ms, sizeof ms, "-%03d", static_cast<int>(millis));
    return std::string(kPrefix) + text + ms + kSuffix;
}

// A name's counter: two copies kept within one millisecond are told apart by "-1", "-2", ...
unsigned long counterOf(const std::string &path)
{
    const std::string name = fs::path(path).filename().string();
    const std::size_t at = std::string(kPrefix).size() + 19;
    return name.size() > at + 1 && name[at] == '-' ? std::strtoul(name.c_str() + at + 1, nullptr, 10) : 0;
}

// Newest first: by the time in the name, then by its counter (a plain comparison of the names
// would put "-345-1" before "-345." and so call the later copy the older).
bool newerFirst(const CatalogueBackup &a, const CatalogueBackup &b)
{
    if (a.created != b.created)
        return a.created > b.created;
    const unsigned long ca = counterOf(a.path), cb = counterOf(b.path);
    return ca != cb ? ca > cb : a.path > b.path;
}

std::vector<CatalogueBackup> backupsIn(const fs::path &dir)
{
    std::vector<CatalogueBackup> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string created = createdFromName(it->path().filename().string());
        if (created.empty() || !it->is_regular_file(ec))
            continue;
        out.push_back({it->path().string(), dir.filename().string(), created, it->file_size(ec)});
    }
    std::sort(out.begin(), out.end(), newerFirst);
    return out;
}

std::string deviceIdentifier(userDataIphone *data)
{
    return data && data->dev ? AMDeviceCopyDeviceIdentifier(data->dev) : std::string();
}

} // namespace

std::string catalogueBackupRoot()
{
    const std::string data = userDataDir();
    return data.empty() ? std::string() : data + "/backups";
}

std::string catalogueBackupDir(const std::string &deviceIdentifier)
{
    const std::string root = catalogueBackupRoot();
    return root.empty() ? std::string() : root + "/" + safeName(deviceIdentifier);
}

std::vector<CatalogueBackup> listCatalogueBackups(const std::string &deviceIdentifier)
{
    if (!deviceIdentifier.empty())
        return backupsIn(catalogueBackupDir(deviceIdentifier));
    std::vector<CatalogueBackup> out;
    std::error_code ec;
    const std::string root = catalogueBackupRoot();
    for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!it->is_directory(ec))
            continue;
        const auto some = backupsIn(it->path());
        out.insert(out.end(), some.begin(), some.end());
    }
    std::sort(out.begin(), out.end(), newerFirst);
    return out;
}

namespace {
// Fills <the device's backup folder>/.incoming.plist through `fill`, then gives it its
// time-stamped name and forgets all but the newest copies.
bool keepBackup(userDataIphone *data, std::string *error, std::string *backupPath,
                const std::function<bool(const std::string &incoming)> &fill)
{
    auto fail = [error](const std::string &text) {
        if (error)
            *error = text;
        return false;
    };
    const std::string dir = catalogueBackupDir(deviceIdentifier(data));
    if (dir.empty())
        return fail(uiText("Operations", "no data folder for the catalogue backups (set HOME or BOOKFERRY_DATA_DIR)"));
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        return fail(uiArgs(uiText("Operations", "cannot create the backup folder %1: %2"), {dir, ec.message()}));
    const std::string incoming = dir + "/.incoming.plist";
    if (!fill(incoming)) {
        fs::remove(incoming, ec);
        return fail(uiText("Operations", "cannot keep a copy of the device's book catalogue before changing it"));
    }
    // Names carry milliseconds; two changes within one millisecond get a counter.
    std::string name = timestampName();
    for (int n = 1; fs::exists(dir + "/" + name, ec); ++n)
        name = name.substr(0, std::string(kPrefix).size() + 19) + "-" + std::to_string(n) + kSuffix;
    const std::string target = dir + "/" + name;
    fs::rename(incoming, target, ec);
    if (ec) {
        fs::remove(incoming, ec);
        return fail(uiArgs(uiText("Operations", "cannot write the catalogue backup %1"), {target}));
    }
    if (backupPath)
        *backupPath = target;
    const auto all = backupsIn(dir);
    for (std::size_t i = kCatalogueBackupsKept; i < all.size(); ++i)
        fs::remove(all[i].path, ec);
    return true;
}
} // namespace

bool backUpDeviceCatalogue(userDataIphone *data, std::string *error, std::string *backupPath)
{
    if (backupPath)
        backupPath->clear();
    switch (deviceCatalogueExists(data)) {
    case DeviceFilePresence::Absent:
        return true;
    case DeviceFilePresence::Unknown:
        if (error)
            *error = uiText("Operations", "cannot tell whether the device has a book catalogue to back up");
        return false;
    case DeviceFilePresence::Present:
        break;
    }
    // A catalogue too large to read is not copied either (nothing changes it).
    return keepBackup(data, error, backupPath, [data](const std::string &incoming) {
        uint64_t size = 0;
        return get_file_at_most(data, incoming.c_str(), CataloguePath::DeviceBooks, kMaxCatalogueBytes, &size) == 0;
    });
}

bool keepCatalogueBackup(userDataIphone *data, const std::string &bytes, std::string *error, std::string *backupPath)
{
    if (backupPath)
        backupPath->clear();
    return keepBackup(data, error, backupPath, [&bytes](const std::string &incoming) {
        std::ofstream out(incoming, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return static_cast<bool>(out);
    });
}
