// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"
#include "lockholder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using SyncLockTest = DeviceTest;

namespace {
const std::string kWillStart = kSyncWillStart;
const std::string kLockRequest = kSyncLockRequest;
const std::string kDidStart = kSyncDidStart;
} // namespace

// The four notifications around a batch and the lock held between them:
// BookBatchTest.OneLockForTheBatchAndOneResultPerItem (and over USB,
// UsbCliTest.ImportWaitsForAHeldSyncLockAndGoesOn).

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
    // The file service's handle is not a notification proxy.
    EXPECT_NE(AMDPostNotification(12345, "three", 0), 0);
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
    EXPECT_EQ(readWholeFile(device.dir() + "/notifications.log"),
              kWillStart + "\n" + kLockRequest + "\n" + kDidStart + "\n");
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
