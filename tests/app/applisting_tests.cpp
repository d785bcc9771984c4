// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Two listings of one app under way at once: the one begun last is what the table shows.
#include "appfixture.h"

#include "app/appshelf.h"
#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"
#include "epubbuilder.h"

#include <filesystem>
#include <future>

TEST_F(MainWindowTest, AnAppListingBegunEarlierNeverReplacesALaterOne)
{
    attachWithReader("emma.epub", "Emma");
    const std::string documents = m_deviceDir.path() + "/apps/org.example.reader/container/Documents";
    selectList(2);
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle() && rowCount() == 1; }));

    // The first listing has read the folder and waits as it closes its connections, until a
    // second one, begun after a book came, has been shown (or the test ends: a promise that
    // goes unkept releases the wait too).
    std::promise<void> released;
    auto waiting = std::make_shared<std::atomic_bool>(false);
    DeviceFaultInjector &faults = DeviceFaultInjector::instance();
    faults.reset();
    faults.onCall("AFCConnectionClose", 1, [waiting, done = released.get_future().share()] {
        *waiting = true;
        done.wait_for(std::chrono::seconds(10));
    });
    AppShelfNode *node = apps().appNodes().at(0);
    apps().refresh(node);
    ASSERT_TRUE(processMainEventsUntil([&] { return waiting->load(); }));
    ASSERT_TRUE(EpubBuilder::validBook("Persuasion", "Jane Austen").write(documents + "/persuasion.epub"));
    apps().refresh(node);
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 2; }));
    released.set_value();
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle(); }));
    EXPECT_EQ(rowCount(), 2);
}
