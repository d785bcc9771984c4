// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/backend/mobiledevice.h"

#include <cstdint>

// The connection record of the one device served. Lives inside loadIPhone and starts all
// zero; nothing clears it, so after a removal it keeps stale handles until the next
// arrival overwrites them.
struct userDataIphone
{
    afc_connection *conn = nullptr;     // file-service connection of the current device
    am_device *dev = nullptr;           // the device of the latest device notification
    int32_t notificationproxy = 0;      // notification-proxy service handle; 0 until started
    uint64_t resyncfile = 0;            // reference of the open sync lock file
};
