// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/scsitransport.h"

// The kernel's own SCSI pass-through: open(2) and the SG_IO ioctl.
class LinuxScsiTransport final : public ScsiTransport
{
public:
    int openNode(const ScsiDeviceNode &node, int flags) override;
    void closeNode(int descriptor) override;
    int sendCommand(int descriptor, sg_io_hdr_t &request) override;
};
