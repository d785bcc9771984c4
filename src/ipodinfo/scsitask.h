// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/scsitransport.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class ScsiDataTransferDirection { None, FromInitiatorToTarget, FromTargetToInitiator };

struct ScsiVirtualRange
{
    std::uint8_t *address = nullptr;
    std::size_t length = 0;
};

using ScsiSenseData = std::array<std::uint8_t, 18>;

// SCSI status byte of a completed command; the transport's own failures (no
// device, timeout, adapter error) have no status byte and count as a delivery failure.
constexpr int kScsiTaskStatusGood = 0x00;
constexpr int kScsiTaskStatusCheckCondition = 0x02;
constexpr int kScsiTaskStatusDeliveryFailure = -1;

// One SCSI command with its data buffer, sent through SG_IO on the descriptor of the device
// interface that made it (ScsiTaskDeviceInterface::createSCSITask): that interface must stay
// open, its access unchanged, while the task is used. The setters answer 0 or an errno
// (EINVAL for a request SG_IO cannot carry).
class ScsiTask final
{
public:
    ScsiTask(ScsiTransport &transport, int descriptor);
    ScsiTask(const ScsiTask &) = delete;
    ScsiTask &operator=(const ScsiTask &) = delete;

    int setCommandDescriptorBlock(const std::uint8_t *cdb, std::size_t size);
    // At most one range: SG_IO here moves one contiguous buffer.
    int setScatterGatherEntries(const ScsiVirtualRange *ranges, std::size_t count,
                                std::uint64_t transferCount, ScsiDataTransferDirection direction);
    int setTimeoutDuration(unsigned milliseconds);
    // Runs the command and waits for it. Answers 0 or the errno of the request;
    // taskStatus is set in both cases.
    int executeTaskSync(ScsiSenseData *sense, int *taskStatus, std::uint64_t *realizedTransferCount);

private:
    ScsiTransport &m_transport;
    int m_descriptor;
    std::array<std::uint8_t, 16> m_cdb{};
    std::size_t m_cdbSize = 0;
    ScsiVirtualRange m_range;
    std::uint64_t m_transferCount = 0;
    ScsiDataTransferDirection m_direction = ScsiDataTransferDirection::None;
    unsigned m_timeout = 0;
};
