// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Which sharing apps are readers, on the folder device: every way an app declares ePub, the
// books already in its Documents, the user's choice, and malformed entries.
#include "devicetest.h"
#include "readerapptable.h"

#include "operations/readerapps.h"

#include <QSettings>
#include <QTemporaryDir>

#include <set>

namespace {

class ReaderAppsTest : public DeviceTest
{
};

TEST_F(ReaderAppsTest, EachWayOfDeclaringEpubMakesAReader)
{
    device.iPhone();
    device.write();
    writeReaderApps(device.dir());
    userDataIphone *d = openDevice();

    std::vector<DeviceApp> apps;
    std::string why;
    ASSERT_EQ(listBookApps(d->dev, {}, apps, &why), MDERR_OK) << why;
    for (const ReaderAppRow &row : readerAppRows()) {
        SCOPED_TRACE(row.identifier);
        const auto app = std::find_if(apps.begin(), apps.end(),
                                      [&](const DeviceApp &a) { return a.identifier == row.identifier; });
        ASSERT_EQ(app != apps.end(), row.listed);
        if (app == apps.end())
            continue;
        EXPECT_EQ(app->readsBooks(), row.reader);
        EXPECT_EQ(app->takesEpub || app->booksCategory, row.byAttributes);
        EXPECT_FALSE(app->displayName.empty());
    }

    // "Use for Books" makes any sharing app a reader, and only on this device.
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("choices.ini")), QSettings::IniFormat);
    const std::string udid = AMDeviceCopyDeviceIdentifier(d->dev);
    setAppUsedForBooks(settings, udid, "org.example.nothing", true);
    setAppUsedForBooks(settings, udid + "/other", "org.example.malformed", true);
    setAppUsedForBooks(settings, udid, "org.example.toodeep", true);
    setAppUsedForBooks(settings, udid, "org.example.toodeep", false);
    ASSERT_EQ(appsUsedForBooks(settings, udid), std::vector<std::string>{"org.example.nothing"});
    ASSERT_EQ(listBookApps(d->dev, appsUsedForBooks(settings, udid), apps, &why), MDERR_OK) << why;
    std::set<std::string> readers;
    for (const DeviceApp &app : apps)
        if (app.readsBooks())
            readers.insert(app.identifier);
    std::set<std::string> expected{"org.example.nothing"};
    for (const ReaderAppRow &row : readerAppRows())
        if (row.reader)
            expected.insert(row.identifier);
    EXPECT_EQ(readers, expected);
}

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
    std::filesystem::remove(device.dir() + "/apps/org.example.crowded/container/Documents/" + names.front());
    for (size_t i = 1; i < 30; ++i)
        std::filesystem::remove(device.dir() + "/apps/org.example.crowded/container/Documents/" + names[i]);
    EXPECT_TRUE(appHoldsEpubs(d->dev, "org.example.crowded"));
    // An app that is gone, or refused, holds nothing and fails nothing.
    EXPECT_FALSE(appHoldsEpubs(d->dev, "org.example.absent"));
}

} // namespace
