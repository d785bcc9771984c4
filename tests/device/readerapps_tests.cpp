// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// How far the look for books in an app's Documents goes, on the folder device. (Which apps are
// readers, row by row, is read through the emulator: the table is the same and the USB path
// runs more of the program.)
#include "devicetest.h"
#include "readerapptable.h"

#include "operations/readerapps.h"

namespace {

using ReaderAppsTest = DeviceTest;

TEST_F(ReaderAppsTest, TheLookIntoDocumentsIsBounded)
{
    device.iPhone();
    device.write();
    // A book behind more entries than the look reads is not found; one beside few files is.
    ReaderAppRow crowded{"org.example.crowded", "<true/>", "", {}, true, false, false};
    std::vector<std::string> names;
    for (size_t i = 0; i < kEpubProbeEntries + 20; ++i)
        names.push_back("f" + std::to_string(1000 + i) + ".txt");
    for (const std::string &name : names)
        crowded.documents.push_back(name.c_str());
    crowded.documents.push_back("zz/Emma.epub");
    writeReaderApps(device.dir(), {crowded});
    userDataIphone *d = openDevice();
    EXPECT_FALSE(appHoldsEpubs(d->dev, "org.example.crowded"));
    for (size_t i = 0; i < 30; ++i)
        std::filesystem::remove(device.dir() + "/apps/org.example.crowded/container/Documents/" + names[i]);
    EXPECT_TRUE(appHoldsEpubs(d->dev, "org.example.crowded"));
    // An app that is gone, or refused, holds nothing and fails nothing.
    EXPECT_FALSE(appHoldsEpubs(d->dev, "org.example.absent"));
}

} // namespace
