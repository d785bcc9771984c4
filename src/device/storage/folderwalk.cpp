// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/folderwalk.h"

#include "core/workqueue.h"

#include <algorithm>
#include <mutex>

namespace {
// Entries waiting that make the walk worth more connections: a photo folder or a book
// library, not the few folders of a small device.
constexpr size_t kLongQueue = 64;

using Entry = FolderWalk::Entry;

struct Walk
{
    enum class Kind
    {
        Folder,   // list it
        Entry,    // ask for its information
        MoreLanes // open further connections
    };
    struct Item
    {
        Entry entry;
        Kind kind;
    };

    Walk(const FolderWalk::Options &options, const FolderWalk::EntryFound &found)
        : options(options), found(found)
    {
    }

    void handle(Item &item, size_t worker)
    {
        if (options.goOn && !options.goOn->load()) {
            stopWalk();
            return;
        }
        if (item.kind == Kind::MoreLanes) {
            addLanes();
            return;
        }
        afc_connection *conn = connections[worker];
        std::vector<Item> next;
        if (item.kind == Kind::Folder) {
            if (!listFolder(conn, item.entry, next)) {
                incomplete = true;
                if (item.entry.place.empty())
                    rootUnlisted = true;
                return;
            }
            if (options.folderListed) {
                std::lock_guard progress(progressMutex);
                options.folderListed();
            }
        } else {
            if (options.maxEntries != 0 && ++entries > options.maxEntries) {
                stopWalk();
                return;
            }
            const std::optional<DeviceFileInfo> info = readFileInfo(conn, item.entry.path);
            if (info && info->isDirectory() && (!options.walkInto || options.walkInto(item.entry))) {
                if (options.maxDepth >= 0 && item.entry.depth >= options.maxDepth) {
                    incomplete = true;
                    return;
                }
                ++item.entry.depth;
                next.push_back({std::move(item.entry), Kind::Folder});
            } else {
                if (!info)
                    incomplete = true;
                std::lock_guard lock(foundMutex);
                found(item.entry, info);
            }
        }
        if (next.empty())
            return;
        queue.withItems([&](std::deque<Item> &items) {
            // Queued last entry first, so the first one listed is the next taken.
            for (auto it = next.rbegin(); it != next.rend(); ++it)
                items.push_back(std::move(*it));
            if (options.moreLanes && !moreLanesQueued && items.size() >= kLongQueue) {
                moreLanesQueued = true;
                items.push_back({{}, Kind::MoreLanes});
            }
        });
    }

    // True when the folder could be listed; its entries go to `next`.
    bool listFolder(afc_connection *conn, const Entry &folder, std::vector<Item> &next) const
    {
        const std::optional<std::vector<std::string>> names = folderEntryNames(conn, folder.path);
        if (!names)
            return false;
        uint32_t index = 0;
        for (const std::string &name : *names) {
            if (options.skipHidden && name[0] == '.')
                continue;
            Entry entry{folder.root, folder.path + "/" + name, folder.place, folder.depth};
            entry.place.push_back(index++);
            next.push_back({std::move(entry), Kind::Entry});
        }
        return true;
    }

    // Opening the further connections takes a few round trips each; the other connections
    // walk on meanwhile, and each new one joins the walk as a worker of its own.
    void addLanes()
    {
        const std::vector<afc_connection *> more = options.moreLanes();
        const size_t added = std::min(more.size(), connections.size() - 1 - opened);
        std::copy_n(more.begin(), added, connections.begin() + 1 + static_cast<std::ptrdiff_t>(opened));
        opened += added;
        queue.ensureWorkers(opened);
    }

    void stopWalk()
    {
        incomplete = true;
        queue.withItems([](std::deque<Item> &items) { items.clear(); }); // the others end too
    }

    const FolderWalk::Options &options;
    const FolderWalk::EntryFound &found;
    std::mutex progressMutex; // one progress report at a time, in order
    std::mutex foundMutex;
    std::atomic<size_t> entries{0};
    std::atomic_bool incomplete{false};
    std::atomic_bool rootUnlisted{false};
    std::vector<afc_connection *> connections; // by worker number; a slot is written before its worker starts
    size_t opened = 0;                         // lanes in `connections`
    bool moreLanesQueued = false;              // under the queue's lock
    // Last: its threads end before what they use goes.
    WorkQueue<Item> queue{[this](Item &item, size_t worker) { handle(item, worker); },
                          {},
                          WorkQueue<Item>::Order::LastInFirstOut};
};

} // namespace

FolderWalk::Result FolderWalk::run(const Options &options, const std::vector<std::string> &roots,
                                   afc_connection *conn, const std::vector<afc_connection *> &lanes,
                                   const EntryFound &found)
{
    Walk walk(options, found);
    // A connection for each worker number: the caller's first, then the lanes, then room for
    // those opened later, so that no worker's connection moves while it is used.
    walk.connections.assign(1 + lanes.size() + (options.moreLanes ? options.moreLanesAtMost : 0), nullptr);
    walk.connections[0] = conn;
    std::copy(lanes.begin(), lanes.end(), walk.connections.begin() + 1);
    walk.opened = lanes.size();
    // Taken from the back: the first root first.
    walk.queue.withItems([&](std::deque<Walk::Item> &items) {
        for (size_t r = roots.size(); r-- > 0;)
            items.push_back({{r, roots[r], {}, 0}, Walk::Kind::Folder});
    });
    walk.queue.ensureWorkers(walk.opened);
    walk.queue.drain();
    return {!walk.incomplete, !walk.rootUnlisted};
}
