// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/scsitaskdeviceinterface.h"

#include <cerrno>
#include <fcntl.h>

namespace {
// Read-only is enough for INQUIRY; O_NONBLOCK keeps the open from waiting for
// media or for another holder of an sg node.
constexpr int kSharedFlags = O_RDONLY | O_NONBLOCK;
} // namespace

std::unique_ptr<ScsiTaskDeviceInterface>
ScsiTaskDeviceInterface::open(ScsiTransport &transport, const ScsiDeviceNode &node, int *error)
{
    const int descriptor = transport.openNode(node, kSharedFlags);
    if (descriptor < 0) {
        if (error)
            *error = -descriptor;
        return nullptr;
    }
    if (error)
        *error = 0;
    return std::unique_ptr<ScsiTaskDeviceInterface>(
        new ScsiTaskDeviceInterface(transport, node, descriptor));
}

ScsiTaskDeviceInterface::ScsiTaskDeviceInterface(ScsiTransport &transport, ScsiDeviceNode node,
                                                 int descriptor)
    : m_transport(transport), m_node(std::move(node)), m_descriptor(descriptor)
{
}

ScsiTaskDeviceInterface::~ScsiTaskDeviceInterface()
{
    if (m_descriptor >= 0)
        m_transport.closeNode(m_descriptor);
}

int ScsiTaskDeviceInterface::reopen(int flags)
{
    if (m_descriptor >= 0)
        m_transport.closeNode(m_descriptor);
    m_descriptor = m_transport.openNode(m_node, flags);
    if (m_descriptor >= 0)
        return 0;
    const int error = -m_descriptor;
    m_descriptor = -1;
    return error;
}

int ScsiTaskDeviceInterface::obtainExclusiveAccess()
{
    if (m_exclusive)
        return 0;
    // sg refuses O_EXCL while any descriptor is open, ours included, and on a
    // read-only open.
    const int accessMode = m_node.generic ? O_RDWR : O_RDONLY;
    const int error = reopen(accessMode | O_NONBLOCK | O_EXCL);
    if (error == 0) {
        m_exclusive = true;
        return 0;
    }
    const int sharedError = reopen(kSharedFlags);
    if (!m_node.generic && error == EBUSY && sharedError == 0)
        return 0; // a mounted disk: the kernel keeps exclusive opens for its file system
    return error;
}

int ScsiTaskDeviceInterface::releaseExclusiveAccess()
{
    if (!m_exclusive)
        return 0;
    m_exclusive = false;
    return reopen(kSharedFlags);
}

std::unique_ptr<ScsiTask> ScsiTaskDeviceInterface::createSCSITask()
{
    if (m_descriptor < 0)
        return nullptr;
    return std::make_unique<ScsiTask>(m_transport, m_descriptor);
}
