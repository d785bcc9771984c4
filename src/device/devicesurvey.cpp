// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicesurvey.h"

#include "devicefiles.h"
#include "deviceworkpath.h"
#include "laneconnections.h"
#include "log.h"
#include "notificationcenter.h"
#include "scratch.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

const char *const DeviceInfoNotification = "DeviceInfoNotification";

const char *const ipod_Type = "ipodType";
const char *const Family_ID = "FamilyID";
const char *const FSTotal_Bytes = "FSTotalBytes";
const char *const FSFree_Bytes = "FSFreeBytes";
const char *const Product_Version = "ProductVersion";
const char *const Serial_Number = "SerialNumber";
const char *const Volume_Format = "VolumeFormat";
const char *const Device_Name = "DeviceName";

const char *const kMusicExtensions[] = {"mp3", "aiff", "m4a", "MP3", "AIFF", "M4A", nullptr};
const char *const kVideoExtensions[] = {"mp4", "mov", "m4v", "MP4", "MOV", "M4V", nullptr};

DeviceKind deviceKindForModel(const char *model)
{
    if (model && std::strstr(model, "iPod"))
        return {"iPod Touch", "10001", 1};
    if (model && std::strstr(model, "iPhone"))
        return {"iPhone", "10000", 2};
    if (model && std::strstr(model, "iPad"))
        return {"iPad", "10002", 3};
    return {"UnKnow", "-1", -1};
}

namespace {
bool matchesAny(const std::string &path, const char *const *extensions)
{
    for (const char *const *ext = extensions; *ext; ++ext)
        if (path.find(*ext) != std::string::npos)
            return true;
    return false;
}

struct FolderWalk
{
    userDataIphone *data;
    const std::vector<const char *const *> &lists;
    std::vector<uint64_t> sums;
    const std::function<void()> &folderWalked;
    const std::vector<afc_connection *> &lanes;
};

// What one file-information request says about an entry: both the folder test and the size.
struct EntryInfo
{
    bool haveInfo = false;
    bool directory = false;
    uint64_t size = 0;
};

EntryInfo entryInfo(afc_connection *conn, const std::string &path)
{
    EntryInfo e;
    afc_dictionary *info = nullptr;
    e.haveInfo = AFCFileInfoOpen(conn, path.c_str(), &info) == 0;
    if (!e.haveInfo)
        return e;
    bool haveSize = false;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
        if (std::strcmp(value, "S_IFDIR") == 0)
            e.directory = true;
        if (!haveSize && std::strcmp(key, "st_size") == 0) {
            e.size = std::strtoull(value, nullptr, 10);
            haveSize = true;
        }
    }
    AFCKeyValueClose(info);
    return e;
}

// The information of every path, asked over the walk's own connection and its lanes at once.
std::vector<EntryInfo> entryInfos(FolderWalk &walk, afc_connection *conn, const std::vector<std::string> &paths)
{
    std::vector<EntryInfo> infos(paths.size());
    std::atomic_size_t next{0};
    auto work = [&](afc_connection *c) {
        for (size_t i; (i = next++) < paths.size();)
            infos[i] = entryInfo(c, paths[i]);
    };
    std::vector<std::thread> helpers;
    if (paths.size() > 1)
        for (afc_connection *lane : walk.lanes)
            helpers.emplace_back(work, lane);
    work(conn);
    for (auto &t : helpers)
        t.join();
    return infos;
}

void addEntry(FolderWalk &walk, const std::string &path, const EntryInfo &e);

// One file-information request per entry answers both the folder test and the size.
void walkFolder(FolderWalk &walk, const std::string &folder)
{
    afc_connection *conn = walk.data ? walk.data->conn : nullptr;
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, folder.c_str(), &dir) != 0)
        return;
    char *name = nullptr;
    if (walk.lanes.empty()) {
        while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
            if (name[0] == '.')
                continue;
            const std::string path = folder + "/" + name;
            addEntry(walk, path, entryInfo(conn, path));
        }
    } else {
        // The folder's entries are asked for all at once, then taken in the listing's order.
        std::vector<std::string> paths;
        while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
            if (name[0] != '.')
                paths.push_back(folder + "/" + name);
        }
        const std::vector<EntryInfo> infos = entryInfos(walk, conn, paths);
        for (size_t k = 0; k < paths.size(); ++k)
            addEntry(walk, paths[k], infos[k]);
    }
    AFCDirectoryClose(nullptr, dir);
    if (walk.folderWalked)
        walk.folderWalked();
}

void addEntry(FolderWalk &walk, const std::string &path, const EntryInfo &e)
{
    if (e.directory) {
        walkFolder(walk, path);
        return;
    }
    for (size_t i = 0; i < walk.lists.size(); ++i) {
        if (walk.lists[i] && !matchesAny(path, walk.lists[i]))
            continue;
        if (!e.haveInfo) {
            // What the size request says when the information cannot be read.
            std::printf("AFCFileInfoOpen: could not open file %s !\n", path.c_str());
            std::fflush(stdout);
        }
        walk.sums[i] += e.size;
    }
}

std::string figure(uint64_t bytes)
{
    return formatFixed(static_cast<double>(bytes), 6);
}

bool makePrivateFolder(const std::string &path)
{
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}
} // namespace

std::vector<uint64_t> folderSums(userDataIphone *data, const char *folder,
                                 const std::vector<const char *const *> &extensionLists,
                                 const std::function<void()> &folderWalked,
                                 const std::vector<afc_connection *> &lanes)
{
    FolderWalk walk{data, extensionLists, std::vector<uint64_t>(extensionLists.size(), 0), folderWalked, lanes};
    if (folder)
        walkFolder(walk, folder);
    return walk.sums;
}

uint64_t get_file_size_in_floder(userDataIphone *data, const char *folder, const char *const *extensions)
{
    return folderSums(data, folder, {extensions}).front();
}

void putinfotofile(userDataIphone *data, const char *key, std::FILE *out)
{
    if (!data || !key || !out)
        return;
    if (auto value = AMDeviceCopyValue(data->dev, 0, key))
        std::fprintf(out, "%s:%s\n", key, value->c_str());
}

std::optional<std::string> DeviceSurvey::readValue(const char *key)
{
    if (!key)
        return std::nullopt;
    return AMDeviceCopyValue(m_data ? m_data->dev : nullptr, 0, key);
}

void DeviceSurvey::run(const std::function<void(int)> &foldersWalked)
{
    userDataIphone *data = m_data;
    StringDictionary survey;
    int kind = -1;

    afc_dictionary *info = nullptr;
    if (AFCDeviceInfoOpen(data->conn, &info) == 0) {
        char *key = nullptr, *value = nullptr;
        while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
            if (std::strcmp(key, "Model") == 0) {
                const DeviceKind k = deviceKindForModel(value);
                kind = k.code;
                survey.insert_or_assign(ipod_Type, k.ipodType);
                survey.insert_or_assign(Family_ID, k.familyID);
            } else if (std::strcmp(key, "FSTotalBytes") == 0) {
                survey.insert_or_assign(FSTotal_Bytes, value);
            } else if (std::strcmp(key, "FSFreeBytes") == 0) {
                survey.insert_or_assign(FSFree_Bytes, value);
            }
        }
        AFCKeyValueClose(info);
    }

    const std::string version = readValue("ProductVersion").value_or("UnKnow Product Version");
    survey.insert_or_assign(Product_Version, version);
    survey.insert_or_assign(Serial_Number, readValue("SerialNumber").value_or("UnKnow Serial Number"));
    survey.insert_or_assign(Volume_Format, readValue("VolumeFormat").value_or("Mac OS X"));
    std::string name;
    if (auto deviceName = readValue("DeviceName"))
        name = deviceName->empty() && kind == 3 ? std::string("ipad") : *deviceName;
    else
        name = "UnKnow Device Name";
    survey.insert_or_assign(Device_Name, name);
    const std::string guid = deviceWorkIdentifier(data->dev);
    survey.insert_or_assign("guid", guid);

    // Devices before 3.0 keep no catalogue of this kind. Copies left by an earlier survey
    // must not be listed as this one's books, nor taken as the base of a change.
    if (leadingNumber(version) < 3.0) {
        if (const std::string books = deviceScratchPath(guid, "Books"); !books.empty()) {
            ::unlink((books + "/Books.plist").c_str());
            ::unlink((books + "/Purchases/Purchases.plist").c_str());
        }
    } else {
        const std::string books = deviceScratchPath(guid, "Books");
        if (books.empty()) {
            logMessage("no private scratch folder: the book catalogue was not copied");
        } else {
            // A catalogue too large to read is not copied: its books are not listed.
            auto copy = [data](const std::string &local, const char *remote) {
                ::unlink(local.c_str());
                uint64_t size = 0;
                if (get_file_at_most(data, local.c_str(), remote, kMaxCatalogueBytes, &size) == kFileTooLarge)
                    logMessage("the book catalogue " + std::string(remote) + " is too large to read (" +
                               std::to_string(size) + " bytes)");
            };
            makePrivateFolder(books);
            copy(books + "/Books.plist", "/Books/Books.plist");
            makePrivateFolder(books + "/Purchases");
            copy(books + "/Purchases/Purchases.plist", "/Books/Purchases/Purchases.plist");
        }
    }

    int walked = 0;
    std::function<void()> folderWalked = [&walked, &foldersWalked] {
        const int n = ++walked;
        if (foldersWalked)
            foldersWalked(n);
    };
    // A photo library is tens of thousands of requests: on a USB link they go over several
    // connections at once.
    const std::vector<afc_connection *> lanes = m_lanes ? m_lanes->forDevice(data) : std::vector<afc_connection *>();
    const uint64_t dcim = folderSums(data, "/DCIM", {nullptr}, folderWalked, lanes).front();
    const uint64_t thumbs = folderSums(data, "/Photos/Thumbs", {nullptr}, folderWalked, lanes).front();
    survey.insert_or_assign("PhotoSzie", formatFixed(static_cast<double>(dcim) + static_cast<double>(thumbs), 6));
    survey.insert_or_assign("BooksSzie", figure(folderSums(data, "/Books", {nullptr}, folderWalked, lanes).front()));
    // Music and video come from the same folder: one walk serves both figures.
    const auto media =
        folderSums(data, "/iTunes_Control/Music", {kMusicExtensions, kVideoExtensions}, folderWalked, lanes);
    survey.insert_or_assign("MusicSzie", figure(media[0]));
    survey.insert_or_assign("VideoSzie", figure(media[1]));

    NotificationCenter::defaultCenter().postNotificationName(DeviceInfoNotification, nullptr, survey);
}
