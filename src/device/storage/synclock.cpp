// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/synclock.h"

bool startToSync(userDataIphone *data)
{
    if (!data || data->notificationproxy == 0)
        return false;
    if (AMDPostNotification(data->notificationproxy, kSyncWillStart, 0) != 0)
        return false;
    if (AFCFileRefOpen(data->conn, kSyncLockFile, AFC_MODE_READ_WRITE, 0, &data->resyncfile) != 0)
        return false;
    if (AMDPostNotification(data->notificationproxy, kSyncLockRequest, 0) != 0)
        return false;
    // The device (or another program) may hold the lock for a while; after the last try the
    // batch goes on without it, so a lock nobody gives back cannot block the user for good.
    for (unsigned int attempt = 1; attempt <= kSyncLockTries; ++attempt) {
        if (AFCFileRefLock(data->conn, data->resyncfile) == 0)
            return true;
        if (attempt < kSyncLockTries)
            deviceLinkSleep(1);
    }
    return false;
}

int endsync(userDataIphone *data)
{
    if (!data || data->resyncfile == 0 || !data->conn)
        return -1;
    if (AMDPostNotification(data->notificationproxy, kSyncDidStart, 0) != 0)
        return -1;
    if (AFCFileRefUnlock(data->conn, data->resyncfile) != 0)
        return -1;
    AFCFileRefClose(data->conn, data->resyncfile);
    if (data->notificationproxy == 0)
        return -1;
    return AMDPostNotification(data->notificationproxy, kSyncDidFinish, 0) == 0 ? 0 : -1;
}
