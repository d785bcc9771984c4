// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The last listing of each app's books, kept on disk so that the window shows an app's list
// at once when it is selected again and reads only the books that changed since. A book is
// known by the device, the app, its path, its size and its modification time; anything else
// is read again. The files live in one folder beside the cover cache and together stay under
// a bound, the listings used longest ago going first.
//
// Threads: any; one listing file is written whole (temporary file, then rename), so a reader
// never sees half of one.

#include "operations/appbooks.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class AppListingCache
{
public:
    static constexpr uint64_t kMaxBytes = 16ull * 1024 * 1024;

    explicit AppListingCache(std::string folder, uint64_t maxBytes = kMaxBytes);

    // The books of the app's last listing, in its order; empty when none is kept or the file
    // cannot be read.
    std::vector<AppBook> load(const std::string &device, const std::string &app) const;
    // Keeps `books` as the app's listing and trims the folder to the bound.
    bool save(const std::string &device, const std::string &app, const std::vector<AppBook> &books) const;

    // Fills `book` from `kept` when a file of the same path, size and time is there.
    static bool fill(const std::map<std::string, AppBook> &kept, AppBook &book);
    static std::map<std::string, AppBook> byPath(const std::vector<AppBook> &books);

    std::string fileOf(const std::string &device, const std::string &app) const;

private:
    void trim() const;

    std::string m_folder;
    uint64_t m_maxBytes;
};
