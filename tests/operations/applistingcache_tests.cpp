// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The listing cache on disk: a listing is found again only for its device and app, a book only
// by its path, size and time, and the folder stays under its bound.
#include "operations/applistingcache.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

AppBook book(const std::string &relative, uint64_t size, uint64_t modified, const std::string &title)
{
    AppBook b;
    b.relative = relative;
    b.path = "/Documents/" + relative;
    b.size = size;
    b.modified = modified;
    b.values["Name"] = title;
    return b;
}

} // namespace

TEST(AppListingCacheTest, ABookIsKnownOnlyByItsDeviceAppPathSizeAndTime)
{
    TempDir dir;
    const AppListingCache cache(dir.path());
    // A time in nanoseconds, past what a JSON number keeps exactly.
    ASSERT_TRUE(cache.save("phone", "org.example.reader",
                           {book("a.epub", 10, 1733500000123456789ull, "A \"quoted\" title")}));
    EXPECT_TRUE(cache.load("phone", "org.example.other").empty());
    EXPECT_TRUE(cache.load("tablet", "org.example.reader").empty());
    const auto kept = AppListingCache::byPath(cache.load("phone", "org.example.reader"));
    ASSERT_EQ(kept.size(), 1u);

    AppBook same = book("a.epub", 10, 1733500000123456789ull, "");
    EXPECT_TRUE(AppListingCache::fill(kept, same));
    EXPECT_EQ(same.values["Name"], "A \"quoted\" title");
    AppBook touched = book("a.epub", 10, 1733500000123456790ull, "");
    AppBook grown = book("a.epub", 11, 1733500000123456789ull, "");
    AppBook other = book("b.epub", 10, 1733500000123456789ull, "");
    EXPECT_FALSE(AppListingCache::fill(kept, touched));
    EXPECT_FALSE(AppListingCache::fill(kept, grown));
    EXPECT_FALSE(AppListingCache::fill(kept, other));
}

TEST(AppListingCacheTest, TheFolderStaysUnderItsBoundKeepingTheListingUsedLast)
{
    std::vector<AppBook> books;
    for (int i = 0; i < 20; ++i)
        books.push_back(
            book("book " + std::to_string(i) + ".epub", 1000 + i, 1, "Title " + std::to_string(i)));
    TempDir one;
    ASSERT_TRUE(AppListingCache(one.path()).save("phone", "app", books));
    // Room for three and a half listings of this size.
    const uint64_t bound = fs::file_size(AppListingCache(one.path()).fileOf("phone", "app")) * 7 / 2;
    TempDir dir;
    const AppListingCache cache(dir.path(), bound);
    // Each listing used a second after the one before (file times move in ticks of milliseconds).
    const auto start = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    for (int app = 0; app < 10; ++app) {
        ASSERT_TRUE(cache.save("phone", "app" + std::to_string(app), books));
        std::error_code ec;
        fs::last_write_time(cache.fileOf("phone", "app" + std::to_string(app)),
                            start + std::chrono::seconds(app), ec);
    }
    uint64_t total = 0;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        total += entry.file_size();
    EXPECT_LE(total, bound);
    EXPECT_EQ(cache.load("phone", "app9").size(), books.size());
    EXPECT_TRUE(cache.load("phone", "app0").empty());
}

// A kept listing is a hint read within the writer's bound: a larger file goes unread (and is
// dropped, to be written anew), and entries that name no book inside Documents are left out.
TEST(AppListingCacheTest, AKeptListingIsReadWithinItsBoundAndOnlyInsideDocuments)
{
    TempDir dir;
    AppBook outside = book("x.epub", 1, 1, "Private");
    outside.path = "/Library/private.epub";
    AppBook climbing = book("../Library/private.epub", 1, 1, "Private");
    ASSERT_TRUE(AppListingCache(dir.path()).save("phone", "app", {outside, climbing, book("a.epub", 1, 1, "A")}));
    const std::vector<AppBook> kept = AppListingCache(dir.path()).load("phone", "app");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].path, "/Documents/a.epub");

    const std::string file = AppListingCache(dir.path()).fileOf("phone", "app");
    const uint64_t size = fs::file_size(file);
    EXPECT_TRUE(AppListingCache(dir.path(), size - 1).load("phone", "app").empty());
    EXPECT_FALSE(fs::exists(file));
}
