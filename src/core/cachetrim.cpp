// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/cachetrim.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

void trimCacheFolder(const std::string &folder, uint64_t limit)
{
    struct Kept
    {
        fs::path path;
        fs::file_time_type used;
        uint64_t size;
    };
    std::vector<Kept> kept;
    uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code e;
        if (!it->is_regular_file(e))
            continue;
        const uint64_t size = it->file_size(e);
        if (e)
            continue;
        kept.push_back({it->path(), it->last_write_time(e), size});
        total += size;
    }
    if (total <= limit)
        return;
    std::sort(kept.begin(), kept.end(), [](const Kept &a, const Kept &b) { return a.used < b.used; });
    for (const Kept &file : kept) {
        if (total <= limit)
            break;
        std::error_code e;
        if (fs::remove(file.path, e))
            total -= file.size;
    }
}
