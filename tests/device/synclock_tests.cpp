// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using SyncLockTest = DeviceTest;

namespace {
const std::string kWillStart = kSyncWillStart;
const std::string kLockRequest = kSyncLockRequest;
const std::string kDidStart = kSyncDidStart;
const std::string kDidFinish = kSyncDidFinish;

bool lockedElsewhere(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0)
        return false;
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return busy;
}

// Another process holding the device's lock file until told to let go.
class LockHolder
{
public:
    explicit LockHolder(const std::string &path)
    {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
            const char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            char c;
            (void)!::read(release[0], &c, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char ok = 0;
        m_locked = ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        m_release = release[1];
    }
    ~LockHolder()
    {
        if (m_pid > 0) {
            ::close(m_release);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    bool locked() const { return m_locked; }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};
} // namespace

TEST_F(SyncLockTest, ABatchIsBracketedByTheFourNotificationsAndTheLock)
{
    userDataIphone *d = openDevice();
    startToSync(d);
    EXPECT_NE(d->resyncfile, 0u);
    EXPECT_EQ(backend->postedNotifications(d->dev), (std::vector<std::string>{kWillStart, kLockRequest}));
    EXPECT_TRUE(lockedElsewhere(device.local("/com.apple.itunes.lock_sync")));
    EXPECT_TRUE(sleeps.empty());

    EXPECT_EQ(endsync(d), 0);
    EXPECT_EQ(backend->postedNotifications(d->dev),
              (std::vector<std::string>{kWillStart, kLockRequest, kDidStart, kDidFinish}));
    EXPECT_FALSE(lockedElsewhere(device.local("/com.apple.itunes.lock_sync")));
    // A second end works on the closed reference: its unlock fails.
    EXPECT_EQ(endsync(d), -1);
    EXPECT_EQ(backend->postedNotifications(d->dev).back(), kDidStart);
}

TEST_F(SyncLockTest, WithoutANotificationProxyNothingHappens)
{
    userDataIphone *d = openDevice();
    d->notificationproxy = 0;
    startToSync(d);
    EXPECT_EQ(d->resyncfile, 0u);
    EXPECT_EQ(DeviceFaultInjector::instance().totalCalls(), 0u);
    EXPECT_EQ(endsync(d), -1);
    EXPECT_TRUE(backend->postedNotifications(d->dev).empty());
    startToSync(nullptr);
    EXPECT_EQ(endsync(nullptr), -1);
}

TEST_F(SyncLockTest, ALockHeldByAnotherProcessIsTriedFifteenTimes)
{
    device.file("/com.apple.itunes.lock_sync", "");
    userDataIphone *d = openDevice();
    LockHolder holder(device.local("/com.apple.itunes.lock_sync"));
    ASSERT_TRUE(holder.locked());
    startToSync(d);
    EXPECT_EQ(DeviceFaultInjector::instance().calls("AFCFileRefLock"), 15u);
    EXPECT_EQ(sleeps, std::vector<unsigned int>(14, 1));
    // The batch went on without the lock; the end cannot unlock and stops before syncDidFinish.
    EXPECT_EQ(endsync(d), -1);
    EXPECT_EQ(backend->postedNotifications(d->dev), (std::vector<std::string>{kWillStart, kLockRequest, kDidStart}));
}

TEST_F(SyncLockTest, FailuresStopTheSequenceWhereTheyHappen)
{
    userDataIphone *d = openDevice();
    DeviceFaultInjector::instance().failOnCall("AMDPostNotification", 2);
    startToSync(d);
    EXPECT_EQ(DeviceFaultInjector::instance().calls("AFCFileRefLock"), 0u);
    EXPECT_EQ(backend->postedNotifications(d->dev), (std::vector<std::string>{kWillStart}));
    // The lock file stays open (not locked): the end fails at the unlock.
    EXPECT_EQ(endsync(d), -1);
}
