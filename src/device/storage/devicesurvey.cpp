// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/devicesurvey.h"

#include "core/log.h"
#include "core/notificationcenter.h"
#include "core/scratch.h"
#include "device/storage/devicefiles.h"
#include "device/storage/deviceworkpath.h"
#include "device/storage/folderwalk.h"
#include "device/storage/laneconnections.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
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
const char *const Connection_Type = "ConnectionType";

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

// The sums of one or more media folders from one walk (over the record's connection and its
// lanes), one sum for each of a folder's extension lists (a null list counts every file). The
// messages of entries that could not be read are printed at the end in the order of the walk
// on one connection. When the queue grows long, `moreLanes` (may be empty) adds connections.
struct MediaFolder
{
    std::string folder;
    std::vector<const char *const *> lists;
};
std::vector<std::vector<uint64_t>> mediaSums(const std::vector<MediaFolder> &roots, afc_connection *conn,
                                             const std::vector<afc_connection *> &lanes,
                                             const std::function<void()> &folderWalked,
                                             const std::atomic_bool *goOn = nullptr,
                                             FolderWalk::MoreLanes moreLanes = {})
{
    std::vector<std::vector<uint64_t>> sums;
    std::vector<std::string> folders;
    for (const MediaFolder &root : roots) {
        sums.emplace_back(root.lists.size(), 0);
        folders.push_back(root.folder);
    }
    FolderWalk::Options options;
    options.skipHidden = true;
    options.goOn = goOn;
    options.folderListed = folderWalked;
    options.moreLanes = std::move(moreLanes);
    options.moreLanesAtMost = DeviceSurvey::kLanes;
    std::vector<FolderWalk::Entry> failures;
    FolderWalk::run(options, folders, conn, lanes,
                    [&](const FolderWalk::Entry &entry, const std::optional<DeviceFileInfo> &e) {
                        bool counted = false;
                        for (size_t i = 0; i < roots[entry.root].lists.size(); ++i) {
                            const char *const *list = roots[entry.root].lists[i];
                            if (list && !matchesAny(entry.path, list))
                                continue;
                            sums[entry.root][i] += e ? e->size.value_or(0) : 0;
                            counted = true;
                        }
                        if (counted && !e)
                            failures.push_back(entry);
                    });
    // What the size request says when the information cannot be read, once for each figure
    // the file would have counted in.
    std::sort(failures.begin(), failures.end(), [](const FolderWalk::Entry &a, const FolderWalk::Entry &b) {
        return a.root != b.root ? a.root < b.root : a.place < b.place;
    });
    for (const FolderWalk::Entry &f : failures)
        for (const char *const *list : roots[f.root].lists)
            if (!list || matchesAny(f.path, list))
                std::printf("AFCFileInfoOpen: could not open file %s !\n", f.path.c_str());
    if (!failures.empty())
        std::fflush(stdout);
    return sums;
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
    if (!folder)
        return std::vector<uint64_t>(extensionLists.size(), 0);
    return mediaSums({{folder, extensionLists}}, data ? data->conn : nullptr, lanes, folderWalked).front();
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

void DeviceSurvey::run(const std::function<void(int)> &foldersWalked, SurveyScope scope,
                       const std::atomic_bool *goOn)
{
    auto stopped = [goOn] { return goOn && !goOn->load(); };
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

    const std::string version = readValue("ProductVersion").value_or(QT_TRANSLATE_NOOP("Device", "UnKnow Product Version"));
    survey.insert_or_assign(Product_Version, version);
    survey.insert_or_assign(Serial_Number, readValue("SerialNumber").value_or(QT_TRANSLATE_NOOP("Device", "UnKnow Serial Number")));
    survey.insert_or_assign(Volume_Format, readValue("VolumeFormat").value_or("Mac OS X"));
    std::string name;
    if (auto deviceName = readValue("DeviceName"))
        name = deviceName->empty() && kind == 3 ? std::string("ipad") : *deviceName;
    else
        name = "UnKnow Device Name";
    survey.insert_or_assign(Device_Name, name);
    if (AMDeviceGetInterfaceType(data->dev) == kInterfaceWifi)
        survey.insert_or_assign(Connection_Type, "Wi-Fi");
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

    if (stopped())
        return;
    if (scope == SurveyScope::Everything) {
        int walked = 0;
        std::function<void()> folderWalked = [&walked, &foldersWalked] {
            const int n = ++walked;
            if (foldersWalked)
                foldersWalked(n);
        };
        // A photo library is tens of thousands of requests, a book library as many in small
        // folders: on a USB link they go over several connections at once. All four media
        // folders are one walk, so no connection waits for the end of a folder.
        const std::vector<afc_connection *> lanes =
            m_lanes ? m_lanes->forDevice(data) : std::vector<afc_connection *>();
        // More connections only for a walk with much to ask: a small device is walked before
        // they would be open.
        FolderWalk::MoreLanes moreLanes;
        if (!lanes.empty())
            moreLanes = [this, data, opened = lanes.size()] {
                const std::vector<afc_connection *> all = m_lanes->forDevice(data, kLanes);
                return std::vector<afc_connection *>(
                    all.begin() + static_cast<std::ptrdiff_t>(std::min(opened, all.size())), all.end());
            };
        const std::vector<std::vector<uint64_t>> sums =
            mediaSums({{"/DCIM", {nullptr}},
                       {"/Photos/Thumbs", {nullptr}},
                       {"/Books", {nullptr}},
                       // Music and video come from the same folder: one walk serves both figures.
                       {"/iTunes_Control/Music", {kMusicExtensions, kVideoExtensions}}},
                      data->conn, lanes, folderWalked, goOn, moreLanes);
        survey.insert_or_assign(
            "PhotoSzie", formatFixed(static_cast<double>(sums[0][0]) + static_cast<double>(sums[1][0]), 6));
        survey.insert_or_assign("BooksSzie", figure(sums[2][0]));
        survey.insert_or_assign("MusicSzie", figure(sums[3][0]));
        survey.insert_or_assign("VideoSzie", figure(sums[3][1]));
    }

    if (stopped())
        return;
    NotificationCenter::defaultCenter().postNotificationName(DeviceInfoNotification, nullptr, survey);
}
