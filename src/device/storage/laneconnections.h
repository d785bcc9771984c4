// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Extra file-service connections of the current device. A walk of many small requests is
// limited by the round trip each one makes over USB, not by the link's bandwidth; requests
// on separate connections overlap those round trips. The tree copies and the survey share
// the connections of one device; a folder device answers at once and gets none.

#include "device/storage/userdataiphone.h"

#include <mutex>
#include <vector>

class LaneConnections
{
public:
    LaneConnections() = default;
    // Closes every connection it opened.
    ~LaneConnections();
    LaneConnections(const LaneConnections &) = delete;
    LaneConnections &operator=(const LaneConnections &) = delete;

    // Up to kExtraLanes connections to the record's device, opened on first use and kept
    // while the device stays the same; none unless the device is reached over USB. The
    // survey and a batch never run at once, but the list is still changed under a lock.
    // `count` asks for more (or fewer) than the copies use; the first `count` are answered.
    std::vector<afc_connection *> forDevice(userDataIphone *data, size_t count = kExtraLanes);

    static constexpr size_t kExtraLanes = 6;

private:
    void closeAll();

    std::mutex m_mutex;
    std::vector<afc_connection *> m_connections;
    afc_connection *m_of = nullptr;
    DeviceBackend *m_backend = nullptr;
};
