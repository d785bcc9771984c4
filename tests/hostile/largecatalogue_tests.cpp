// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Very large catalogues (kept out of the sanitizer build: the 100 MB read is slow there).
#include "library/catalogue.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

// (Beyond the limit a catalogue is refused unread: operations_tests'
// BookOperationsTest.ACatalogueTooLargeToReadIsRefusedAndLeftAsItIs.)
TEST(HostileCatalogue, AHugeCatalogueBelowTheLimitIsReadWhole)
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
}
