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

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>

namespace {


// Main-thread timer ticks; a device-link wait lasts a few ticks instead of its seconds, so the
// deletion waits on the lock while the event loop must keep turning.
class TickClock
{
public:
    void tick()
    {
        std::lock_guard lock(m_mutex);
        ++m_ticks;
        m_changed.notify_all();
    }
    // False when the ticks did not come within a second: the event loop was held.
    bool waitTicks(int count)
    {
        std::unique_lock lock(m_mutex);
        const long target = m_ticks + count;
        // Bounded, so that a deletion that blocks the event loop fails the test instead of hanging it.
        return m_changed.wait_for(lock, std::chrono::seconds(1), [&] { return m_ticks >= target || m_stopped; });
    }
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }
    long samples()
    {
        std::lock_guard lock(m_mutex);
        return m_ticks;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    long m_ticks = 0;
    bool m_stopped = false;
};

} // namespace

TEST_F(MainWindowTest, DeletionWaitsForTheLockBehindTheSheetAndListsItsFailures)
{
    // "Odd" has a "Path" that names no book folder: its deletion fails and must be listed.
    writeCatalogue({{"Mine One", "MINA.epub", true}, {"Odd", "x/y.epub", true}, {"Mine Two", "MINB.epub", true}});
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 3);

    TickClock clock;
    std::atomic<int> waits{0}, heldWaits{0}, waitsOnMain{0};
    setDeviceLinkSleeper([&](unsigned int) {
        ++waits;
        if (isMainThread())
            ++waitsOnMain;
        else if (!clock.waitTicks(3))
            ++heldWaits;
    });
    constexpr int kIntervalMs = 10;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    bool sheetSeen = false;
    bool failuresShown = false;
    QString failureHeading;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (m_window->isTransferRunning())
            clock.tick();
        sheetSeen = sheetSeen || m_window->progressWindow->isVisible();
        if (m_window->failedWindow->isVisible()) {
            failuresShown = true;
            failureHeading = m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text();
            m_window->closeFailedWindow();
        }
    });

    {
        LockHolder other(deviceFile(kSyncLockFile));
        ASSERT_TRUE(other.locked());
        ticker.start(kIntervalMs);
        m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
        m_window->deleteSelectedItemMenu(); // every book is checked after the read
        EXPECT_TRUE(m_window->isTransferRunning());
        const bool ended = processMainEventsUntil(
            [&] { return !m_window->isTransferRunning() && !m_window->progressWindow->isVisible(); },
            std::chrono::seconds(30));
        clock.stop();
        ASSERT_TRUE(ended);
    }
    ticker.stop();

    // The pause and all fourteen retries of the lock were waited out on the worker.
    EXPECT_EQ(waits.load(), 1 + static_cast<int>(kSyncLockTries) - 1);
    EXPECT_TRUE(sheetSeen);
    // Every wait ran on the worker and saw the event loop turn (its lateness is timed by the
    // benches, not here).
    EXPECT_EQ(waitsOnMain.load(), 0);
    EXPECT_EQ(heldWaits.load(), 0);
    EXPECT_GE(clock.samples(), 30);

    // The failure is listed; the other two books went, "Odd" stays in the table.
    EXPECT_TRUE(failuresShown);
    EXPECT_EQ(failureHeading, QStringLiteral("These books could not be deleted:"));
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].item, "Odd");
    EXPECT_NE(m_window->lastFailures()[0].reason.find("x/y.epub"), std::string::npos);
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 1; }));
    EXPECT_EQ(rowTitle(0), "Odd");
    EXPECT_EQ(Catalogue::load(deviceFile("/Books/Books.plist")).stringValues("Name"),
              (std::vector<std::string>{"Odd"}));
}
