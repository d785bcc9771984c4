// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/scsitask.h"
#include "ipodinfo/scsitransport.h"

#include <memory>

// An open SCSI device through which tasks are sent. Exclusive access means an
// O_EXCL open: the sg driver grants it while nobody else has the node open. The
// disk behind a mounted volume is claimed by its file system, so for a block node
// the kernel refuses O_EXCL and the device is used shared instead.
// Not thread-safe; the transport must outlive the interface.
class ScsiTaskDeviceInterface final
{
public:
    // Opens node shared. Null with *error set to the errno when it cannot be opened.
    static std::unique_ptr<ScsiTaskDeviceInterface> open(ScsiTransport &transport,
                                                         const ScsiDeviceNode &node, int *error);
    ~ScsiTaskDeviceInterface();
    ScsiTaskDeviceInterface(const ScsiTaskDeviceInterface &) = delete;
    ScsiTaskDeviceInterface &operator=(const ScsiTaskDeviceInterface &) = delete;

    // 0, or the errno of the refusal (EBUSY while another program has the node open).
    int obtainExclusiveAccess();
    // 0 (also when access was not exclusive), or the errno when the shared
    // descriptor cannot be had back; the interface is then closed.
    int releaseExclusiveAccess();
    bool hasExclusiveAccess() const { return m_exclusive; }

    // A task bound to this device's descriptor as it is now, or null when the device is
    // closed. Access changes reopen the device: make tasks after them.
    std::unique_ptr<ScsiTask> createSCSITask();

    ScsiTransport &transport() const { return m_transport; }
    int descriptor() const { return m_descriptor; }
    const ScsiDeviceNode &node() const { return m_node; }

private:
    ScsiTaskDeviceInterface(ScsiTransport &transport, ScsiDeviceNode node, int descriptor);
    int reopen(int flags);

    ScsiTransport &m_transport;
    ScsiDeviceNode m_node;
    int m_descriptor;
    bool m_exclusive = false;
};
