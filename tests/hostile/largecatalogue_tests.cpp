// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Very large catalogues (kept out of the sanitizer build: the 100 MB read is slow there).
#include "library/catalogue.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(HostileCatalogue, HugeCataloguesAreReadOrRefusedByTheirSize)
{
    TempDir dir;
    // About 100 MB of entries: read whole (the limit lies above it).
    const std::string big = dir.file("big.plist");
    std::size_t entries = 0;
    {
        std::ofstream out(big, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Books</key><array>\n";
        std::size_t written = 0;
        char line[256];
        while (written < 100u * 1024 * 1024) {
            const int n = std::snprintf(line, sizeof line,
                                        "<dict><key>Name</key><string>Book %zu of a library that is far too large</string>"
                                        "<key>Path</key><string>B%07zu.epub</string></dict>\n",
                                        entries, entries);
            out.write(line, n);
            written += static_cast<std::size_t>(n);
            ++entries;
        }
        out << "</array></dict></plist>\n";
    }
    const Catalogue loaded = Catalogue::load(big);
    ASSERT_TRUE(loaded.isLoaded()) << loaded.error();
    EXPECT_EQ(loaded.bookCount(), entries);

    // Beyond the limit the file is refused unread (a sparse file costs no disk).
    const std::string huge = dir.file("huge.plist");
    { std::ofstream(huge, std::ios::binary) << "<?xml"; }
    fs::resize_file(huge, 300u * 1024 * 1024);
    const Catalogue refused = Catalogue::load(huge);
    EXPECT_EQ(refused.state(), Catalogue::State::Unreadable);
    EXPECT_NE(refused.error().find("too large"), std::string::npos);
}
