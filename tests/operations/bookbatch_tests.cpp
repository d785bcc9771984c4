// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "bookbatch.h"
#include "devicefixture.h"
#include "devicesleep.h"
#include "synclock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <stdexcept>

namespace {

class BookBatchTest : public FolderDeviceTest
{
protected:
    void SetUp() override
    {
        FolderDeviceTest::SetUp();
        m_previousSleeper = setDeviceLinkSleeper([this](unsigned int seconds) { m_sleeps.push_back(seconds); });
        attach();
    }
    void TearDown() override
    {
        setDeviceLinkSleeper(std::move(m_previousSleeper));
        FolderDeviceTest::TearDown();
    }

    // True while some other open file description holds the device's lock file.
    bool lockTaken() const
    {
        const int fd = ::open(deviceFile(kSyncLockFile).c_str(), O_RDWR);
        if (fd < 0)
            return false;
        const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return busy;
    }
    std::vector<std::string> posted() const { return m_backend->postedNotifications(m_device); }
    std::vector<std::string> postedSince(size_t before) const
    {
        const std::vector<std::string> all = posted();
        return {all.begin() + static_cast<long>(std::min(before, all.size())), all.end()};
    }

    std::vector<unsigned int> m_sleeps;
    DeviceLinkSleeper m_previousSleeper;
};

const std::vector<std::string> kOneSync = {
    "com.apple.itunes-mobdev.syncWillStart", "com.apple.itunes-mobdev.syncLockRequest",
    "com.apple.itunes-mobdev.syncDidStart", "com.apple.itunes-mobdev.syncDidFinish"};

} // namespace

TEST_F(BookBatchTest, OneLockForTheBatchAndOneResultPerItem)
{
    std::vector<std::string> events;
    BookBatch batch;
    batch.pauseSeconds = 1;
    batch.syncLock = true;
    batch.onStarted = [&] { events.push_back("started, lock " + std::string(lockTaken() ? "held" : "free")); };
    batch.onItemStarting = [&](std::size_t i) { events.push_back("starting " + std::to_string(i)); };
    batch.onItemDone = [&](std::size_t i, const BookOperationResult &r) {
        events.push_back("done " + std::to_string(i) + " " + r.item);
    };
    const size_t before = posted().size();
    const auto results = batch.run(*m_controller, 3, [&](std::size_t i) -> std::optional<BookOperationResult> {
        EXPECT_TRUE(lockTaken()) << "item " << i;
        if (i == 1)
            return std::nullopt; // not part of the batch: no result, no report
        if (i == 2)
            return BookOperationResult::makeFailed("two", "broken");
        return BookOperationResult::makeDone("zero");
    });

    // The pause goes through the injectable sleep, before anything else; the lock after it.
    EXPECT_EQ(m_sleeps, (std::vector<unsigned int>{1}));
    EXPECT_EQ(events, (std::vector<std::string>{"started, lock free", "starting 0", "done 0 zero", "starting 1",
                                                "starting 2", "done 2 two"}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].index, 0u);
    EXPECT_EQ(results[1].index, 2u);
    const BookFailureList failures = BookBatch::failures(results);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].item, "two");
    EXPECT_EQ(failures[0].reason, "broken");
    // Exactly one sync for the three items, and the lock is free again.
    EXPECT_EQ(postedSince(before), kOneSync);
    EXPECT_FALSE(lockTaken());
}

TEST_F(BookBatchTest, CancelStopsBeforeTheNextItemAndTheLockIsGivenBackOnEveryPath)
{
    // Cleared during the first item: it finishes, the second never starts.
    std::atomic_bool goOn{true};
    BookBatch batch;
    batch.syncLock = true;
    batch.continueFlag = &goOn;
    int calls = 0;
    auto results = batch.run(*m_controller, 3, [&](std::size_t) {
        ++calls;
        goOn = false;
        return BookOperationResult::makeDone("book");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_FALSE(lockTaken());
    EXPECT_TRUE(m_sleeps.empty()); // no pause asked for, none taken

    // An item that throws leaves the batch early; the lock still goes back.
    goOn = true;
    const size_t before = posted().size();
    EXPECT_THROW(batch.run(*m_controller, 2,
                           [&](std::size_t) -> std::optional<BookOperationResult> {
                               throw std::runtime_error("unexpected");
                           }),
                 std::runtime_error);
    EXPECT_FALSE(lockTaken());
    EXPECT_EQ(postedSince(before), kOneSync);

    // Without the lock option no sync is announced at all.
    BookBatch plain;
    const size_t quiet = posted().size();
    plain.run(*m_controller, 1, [&](std::size_t) { return BookOperationResult::makeDone("x"); });
    EXPECT_EQ(posted().size(), quiet);
}
