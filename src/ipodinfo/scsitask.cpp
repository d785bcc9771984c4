// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/scsitask.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// driver_status bit that only says sense data came back (see scsi/sg.h users).
constexpr unsigned kDriverSense = 0x08;
} // namespace

ScsiTask::ScsiTask(ScsiTransport &transport, int descriptor) : m_transport(transport), m_descriptor(descriptor) {}

int ScsiTask::setCommandDescriptorBlock(const std::uint8_t *cdb, std::size_t size)
{
    if (!cdb || (size != 6 && size != 10 && size != 12 && size != 16))
        return EINVAL;
    std::copy_n(cdb, size, m_cdb.begin());
    m_cdbSize = size;
    return 0;
}

int ScsiTask::setScatterGatherEntries(const ScsiVirtualRange *ranges, std::size_t count,
                                      std::uint64_t transferCount,
                                      ScsiDataTransferDirection direction)
{
    if (direction == ScsiDataTransferDirection::None) {
        if (transferCount != 0)
            return EINVAL;
        m_range = {};
    } else {
        if (count != 1 || !ranges || !ranges[0].address || transferCount > ranges[0].length
            || transferCount > UINT32_MAX)
            return EINVAL;
        m_range = ranges[0];
    }
    m_transferCount = transferCount;
    m_direction = direction;
    return 0;
}

int ScsiTask::setTimeoutDuration(unsigned milliseconds)
{
    m_timeout = milliseconds;
    return 0;
}

int ScsiTask::executeTaskSync(ScsiSenseData *sense, int *taskStatus,
                              std::uint64_t *realizedTransferCount)
{
    if (taskStatus)
        *taskStatus = kScsiTaskStatusDeliveryFailure;
    if (realizedTransferCount)
        *realizedTransferCount = 0;
    if (m_cdbSize == 0)
        return EINVAL;
    if (m_descriptor < 0)
        return EBADF;

    ScsiSenseData senseBuffer{};
    sg_io_hdr_t request;
    std::memset(&request, 0, sizeof request);
    request.interface_id = 'S';
    switch (m_direction) {
    case ScsiDataTransferDirection::None:
        request.dxfer_direction = SG_DXFER_NONE;
        break;
    case ScsiDataTransferDirection::FromInitiatorToTarget:
        request.dxfer_direction = SG_DXFER_TO_DEV;
        break;
    case ScsiDataTransferDirection::FromTargetToInitiator:
        request.dxfer_direction = SG_DXFER_FROM_DEV;
        break;
    }
    request.cmd_len = static_cast<unsigned char>(m_cdbSize);
    request.cmdp = m_cdb.data();
    request.mx_sb_len = static_cast<unsigned char>(senseBuffer.size());
    request.sbp = senseBuffer.data();
    request.dxfer_len = static_cast<unsigned>(m_transferCount);
    request.dxferp = m_transferCount ? m_range.address : nullptr;
    request.timeout = m_timeout;

    const int result = m_transport.sendCommand(m_descriptor, request);
    if (result < 0)
        return -result;

    if (taskStatus) {
        const bool delivered = request.host_status == 0 && (request.driver_status & ~kDriverSense) == 0;
        *taskStatus = delivered ? request.status : kScsiTaskStatusDeliveryFailure;
    }
    if (realizedTransferCount) {
        const auto residue = static_cast<std::uint64_t>(std::max(request.resid, 0));
        *realizedTransferCount = m_transferCount - std::min(residue, m_transferCount);
    }
    if (sense)
        std::copy_n(senseBuffer.begin(), std::min<std::size_t>(request.sb_len_wr, sense->size()),
                    sense->begin());
    return 0;
}
