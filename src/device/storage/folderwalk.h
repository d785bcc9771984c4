// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The one walk of device folders: the survey's media sums, a book folder's files for the cover
// loader, an unpacked book's bytes and the books in an app's Documents. Each folder is listed
// once (folderEntryNames: no name that could leave the folder) and each entry asked about once
// (readFileInfo). Folders to list and entries to ask about are items of one queue that every
// connection takes from, the last found first, so on one connection the requests go in the
// order of a walk that goes entry by entry, folder by folder, and on several the round trips
// overlap whatever the folders hold.

#include "device/storage/devicefiles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct FolderWalk final
{
    // Where an entry stands: its index in each listing from its root down. Sorted, places
    // give the order of the one-connection walk.
    using Place = std::vector<uint32_t>;
    struct Entry
    {
        size_t root = 0;  // index in the roots given to run()
        std::string path; // device path
        Place place;
        int depth = 0; // folders between the entry's folder and its root
    };
    // Each entry not walked into, with what the device said of it (nullopt: nothing). Called
    // one at a time, on the thread of the connection that asked.
    using EntryFound = std::function<void(const Entry &entry, const std::optional<DeviceFileInfo> &info)>;
    // Opens further connections for a walk that turns out long.
    using MoreLanes = std::function<std::vector<afc_connection *>()>;

    struct Options
    {
        int maxDepth = -1;       // folders deeper below their root are not listed; -1: no bound
        size_t maxEntries = 0;   // entries asked about at most; 0: no bound
        bool skipHidden = false; // names that start with "." are passed over
        // Cleared by another thread: the walk ends at its next request, on every connection.
        const std::atomic_bool *goOn = nullptr;
        // Hears of each folder listed, one call at a time.
        std::function<void()> folderListed;
        // Whether a folder entry is walked into (empty: every one); one that is not is found.
        std::function<bool(const Entry &entry)> walkInto;
        // Called at most once, when the queue grows long; adds up to `moreLanesAtMost`.
        MoreLanes moreLanes;
        size_t moreLanesAtMost = 0;
    };

    struct Result
    {
        bool complete = true;    // every folder listed and every entry answered, no bound reached
        bool rootsListed = true; // every root could be listed
    };

    // Walks `roots` on `conn` on the calling thread and on each lane on a thread of its own;
    // returns once every connection has stopped.
    static Result run(const Options &options, const std::vector<std::string> &roots, afc_connection *conn,
                      const std::vector<afc_connection *> &lanes, const EntryFound &found);
};
