// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/connection/devicesurvey.h"

#include "core/log.h"
#include "core/notificationcenter.h"
#include "core/scratch.h"
#include "core/workqueue.h"
#include "device/connection/devicefiles.h"
#include "device/connection/deviceworkpath.h"
#include "device/connection/laneconnections.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// The walk of one or more media folders over the record's connection and its lanes.
// Folders to list and entries to ask about are items of one queue that every connection
// takes from, so the connections stay busy across folders however few entries each folder
// holds (a book folder holds a handful). Each folder is listed once and each entry asked
// about once, whichever connection takes it. The sums do not depend on the order; the
// messages are kept with the entry's place in the tree and printed at the end in the order
// of a walk that goes entry by entry, folder by folder.
class FolderWalk
{
public:
    struct Root
    {
        std::string folder;
        std::vector<const char *const *> lists; // a null list counts every file
    };

    FolderWalk(std::vector<Root> roots, const std::function<void()> &folderWalked,
               const std::atomic_bool *goOn = nullptr)
        : m_roots(std::move(roots)), m_folderWalked(folderWalked), m_goOn(goOn)
    {
        for (const Root &root : m_roots)
            m_sums.emplace_back(root.lists.size(), 0);
    }

    // Opens further connections for a walk that turns out long; called at most once.
    using MoreLanes = std::function<std::vector<afc_connection *>()>;

    // Walks on `conn` on the calling thread and on each lane on a thread of its own; returns
    // the sums of each root, in its lists' order, once every connection has stopped. When
    // the queue grows long, `moreLanes` (may be empty) adds connections to the walk.
    std::vector<std::vector<uint64_t>> run(afc_connection *conn, const std::vector<afc_connection *> &lanes,
                                           MoreLanes moreLanes = {})
    {
        m_moreLanes = std::move(moreLanes);
        // A connection for each worker number: the caller's first, then the lanes, then room
        // for those opened later, so that no worker's connection moves while it is used.
        m_connections.assign(1 + lanes.size() + DeviceSurvey::kLanes, nullptr);
        m_connections[0] = conn;
        std::copy(lanes.begin(), lanes.end(), m_connections.begin() + 1);
        m_opened = lanes.size();
        // Taken from the back: the first root first.
        m_queue.withItems([this](std::deque<Item> &items) {
            for (size_t r = m_roots.size(); r-- > 0;)
                items.push_back({r, m_roots[r].folder, {}, Kind::Folder});
        });
        m_queue.ensureWorkers(m_opened);
        m_queue.drain();
        printFailures();
        return m_sums;
    }

private:
    // Where an entry stands: its root and its index in each listing on the way down.
    using Place = std::vector<uint32_t>;
    enum class Kind
    {
        Folder,   // list it
        Entry,    // ask for its information
        MoreLanes // open further connections
    };
    struct Item
    {
        size_t root;
        std::string path;
        Place place;
        Kind kind;
    };
    struct Failure
    {
        size_t root;
        Place place;
        std::string path;
    };

    void handle(Item &item, size_t worker)
    {
        if (m_goOn && !m_goOn->load()) {
            m_queue.withItems([](std::deque<Item> &items) { items.clear(); }); // the others end too
            return;
        }
        if (item.kind == Kind::MoreLanes) {
            addLanes();
            return;
        }
        afc_connection *conn = m_connections[worker];
        std::vector<Item> found;
        std::optional<DeviceFileInfo> file;
        bool listed = false;
        if (item.kind == Kind::Folder) {
            listed = listFolder(conn, item, found);
        } else {
            file = readFileInfo(conn, item.path);
            if (file && file->isDirectory())
                found.push_back({item.root, item.path, std::move(item.place), Kind::Folder});
        }
        if (listed && m_folderWalked) {
            std::lock_guard progress(m_progressMutex);
            m_folderWalked();
        }
        if (item.kind == Kind::Entry && !(file && file->isDirectory()))
            addFile(item, file);
        if (found.empty())
            return;
        m_queue.withItems([&](std::deque<Item> &items) {
            // Queued last entry first, so the first one listed is the next taken.
            for (auto it = found.rbegin(); it != found.rend(); ++it)
                items.push_back(std::move(*it));
            if (m_moreLanes && !m_moreLanesQueued && items.size() >= kLongQueue) {
                m_moreLanesQueued = true;
                items.push_back({0, {}, {}, Kind::MoreLanes});
            }
        });
    }

    // Opening the further connections takes a few round trips each; the other connections
    // walk on meanwhile, and each new one joins the walk as a worker of its own.
    void addLanes()
    {
        const std::vector<afc_connection *> more = m_moreLanes();
        const size_t added = std::min(more.size(), m_connections.size() - 1 - m_opened);
        std::copy_n(more.begin(), added, m_connections.begin() + 1 + static_cast<std::ptrdiff_t>(m_opened));
        m_opened += added;
        m_queue.ensureWorkers(m_opened);
    }

    // True when the folder could be listed; its entries (hidden names skipped) go to `found`.
    static bool listFolder(afc_connection *conn, const Item &item, std::vector<Item> &found)
    {
        afc_directory *dir = nullptr;
        if (AFCDirectoryOpen(conn, item.path.c_str(), &dir) != 0)
            return false;
        char *name = nullptr;
        uint32_t index = 0;
        while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
            if (name[0] == '.')
                continue;
            Place place = item.place;
            place.push_back(index++);
            found.push_back({item.root, item.path + "/" + name, std::move(place), Kind::Entry});
        }
        AFCDirectoryClose(nullptr, dir);
        return true;
    }

    void addFile(Item &item, const std::optional<DeviceFileInfo> &e)
    {
        std::lock_guard lock(m_sumsMutex);
        const Root &root = m_roots[item.root];
        bool counted = false;
        for (size_t i = 0; i < root.lists.size(); ++i) {
            if (root.lists[i] && !matchesAny(item.path, root.lists[i]))
                continue;
            m_sums[item.root][i] += e ? e->size.value_or(0) : 0;
            counted = true;
        }
        if (counted && !e)
            m_failures.push_back({item.root, std::move(item.place), std::move(item.path)});
    }

    // What the size request says when the information cannot be read, once for each figure
    // the file would have counted in.
    void printFailures()
    {
        if (m_failures.empty())
            return;
        std::sort(m_failures.begin(), m_failures.end(), [](const Failure &a, const Failure &b) {
            return a.root != b.root ? a.root < b.root : a.place < b.place;
        });
        for (const Failure &f : m_failures)
            for (const char *const *list : m_roots[f.root].lists)
                if (!list || matchesAny(f.path, list))
                    std::printf("AFCFileInfoOpen: could not open file %s !\n", f.path.c_str());
        std::fflush(stdout);
    }

    // Entries waiting that make the walk worth more connections: a photo folder or a book
    // library, not the few folders of a small device.
    static constexpr size_t kLongQueue = 64;

    const std::vector<Root> m_roots;
    const std::function<void()> &m_folderWalked;
    const std::atomic_bool *m_goOn;
    std::mutex m_progressMutex; // one progress report at a time, in order
    std::mutex m_sumsMutex;
    std::vector<std::vector<uint64_t>> m_sums;
    std::vector<Failure> m_failures;
    MoreLanes m_moreLanes;
    std::vector<afc_connection *> m_connections; // by worker number; a slot is written before its worker starts
    size_t m_opened = 0;                         // lanes in m_connections
    bool m_moreLanesQueued = false;              // under the queue's lock
    // Last: its threads end before what they use goes.
    WorkQueue<Item> m_queue{[this](Item &item, size_t worker) { handle(item, worker); }, {},
                            WorkQueue<Item>::Order::LastInFirstOut};
};

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
    FolderWalk walk({{folder, extensionLists}}, folderWalked);
    return walk.run(data ? data->conn : nullptr, lanes).front();
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
        FolderWalk walk({{"/DCIM", {nullptr}},
                         {"/Photos/Thumbs", {nullptr}},
                         {"/Books", {nullptr}},
                         // Music and video come from the same folder: one walk serves both figures.
                         {"/iTunes_Control/Music", {kMusicExtensions, kVideoExtensions}}},
                        folderWalked, goOn);
        const std::vector<std::vector<uint64_t>> sums = walk.run(data->conn, lanes, moreLanes);
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
