// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The device's sync lock: announce a sync and take "/com.apple.itunes.lock_sync" before
// changing the book library, give it back and announce the end afterwards. The lock is
// tried 15 times, one second apart (deviceLinkSleep, see devicesleep.h).

#include "device/storage/devicesleep.h"
#include "device/storage/userdataiphone.h"

inline constexpr const char *kSyncLockFile = "/com.apple.itunes.lock_sync";
// The notifications the device hears through its notification proxy, in the order of a
// batch: will start, lock request, (the lock taken, the batch's changes), did start, did finish.
inline constexpr const char *kSyncWillStart = "com.apple.itunes-mobdev.syncWillStart";
inline constexpr const char *kSyncLockRequest = "com.apple.itunes-mobdev.syncLockRequest";
inline constexpr const char *kSyncDidStart = "com.apple.itunes-mobdev.syncDidStart";
inline constexpr const char *kSyncDidFinish = "com.apple.itunes-mobdev.syncDidFinish";
inline constexpr unsigned int kSyncLockTries = 15;

// True when the lock was taken; a batch that goes on without it cannot count on nobody else
// changing the device's files meanwhile.
bool startToSync(userDataIphone *data);
// 0 when the final announcement was posted, -1 otherwise.
int endsync(userDataIphone *data);
