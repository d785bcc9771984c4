// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Deletion runs on the transfer worker behind the progress sheet: the window stays responsive
// while another program holds the device's sync lock, and failed books are listed.
#include "appfixture.h"

#include "app/appglobals.h"
#include "core/mainqueue.h"
#include "device/storage/synclock.h"
#include "library/catalogue.h"
#include "lockholder.h"

#include <QLabel>

#include <future>
#include <memory>

TEST_F(MainWindowTest, DeletionWaitsForTheLockBehindTheSheetAndListsItsFailures)
{
    // "Odd" has a "Path" that names no book folder: its deletion fails and must be listed.
    writeCatalogue({{"Mine One", "MINA.epub", true}, {"Odd", "x/y.epub", true}, {"Mine Two", "MINB.epub", true}});
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 3);

    // A device-link wait lasts until the main thread has run a task of its, instead of its
    // seconds: the deletion waits on the lock while the event loop must keep turning.
    std::atomic<int> waits{0}, heldWaits{0}, waitsOnMain{0};
    setDeviceLinkSleeper([&](unsigned int) {
        ++waits;
        if (isMainThread()) {
            ++waitsOnMain;
            return;
        }
        auto turned = std::make_shared<std::promise<void>>();
        std::future<void> done = turned->get_future();
        performOnMainThread([turned] { turned->set_value(); });
        // Bounded, so that a deletion that blocks the event loop fails the test instead of hanging it.
        if (done.wait_for(std::chrono::seconds(1)) != std::future_status::ready)
            ++heldWaits;
    });
    QString failureHeading;
    closeFailuresAsTheyShow([&] {
        failureHeading = m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text();
    });
    bool sheetSeen = false;
    {
        LockHolder other(deviceFile(kSyncLockFile));
        ASSERT_TRUE(other.locked());
        m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
        m_window->deleteSelectedItemMenu(); // every book is checked after the read
        EXPECT_TRUE(m_window->isTransferRunning());
        ASSERT_TRUE(processMainEventsUntil(
            [&] {
                sheetSeen = sheetSeen || m_window->progressWindow->isVisible();
                return !m_window->isTransferRunning() && !m_window->progressWindow->isVisible();
            },
            std::chrono::seconds(30)));
    }

    // The pause and all fourteen retries of the lock were waited out on the worker, each one
    // seeing the event loop turn (its lateness is timed by the benches, not here).
    EXPECT_EQ(waits.load(), 1 + static_cast<int>(kSyncLockTries) - 1);
    EXPECT_TRUE(sheetSeen);
    EXPECT_EQ(waitsOnMain.load(), 0);
    EXPECT_EQ(heldWaits.load(), 0);

    // The failure is listed; the other two books went, "Odd" stays in the table.
    ASSERT_TRUE(processMainEventsUntil([&] { return !failureHeading.isEmpty(); }));
    EXPECT_EQ(failureHeading, QStringLiteral("These books could not be deleted:"));
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].item, "Odd");
    EXPECT_NE(m_window->lastFailures()[0].reason.find("x/y.epub"), std::string::npos);
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 1; }));
    EXPECT_EQ(rowTitle(0), "Odd");
    EXPECT_EQ(Catalogue::load(deviceFile("/Books/Books.plist")).stringValues("Name"),
              (std::vector<std::string>{"Odd"}));
}
