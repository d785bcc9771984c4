// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <scsi/sg.h>
#include <string>
#include <sys/types.h>

// The device node that carries SCSI commands to one SCSI device: its generic (sg)
// node when the sg driver is loaded, otherwise the block node of its disk.
struct ScsiDeviceNode
{
    std::string path;     // "/dev/sg2"
    dev_t device = 0;     // the number sysfs gives; the opened node must carry it
    bool generic = false; // an sg node, where the kernel grants exclusive opens
};

// The kernel calls behind SCSI pass-through, as one seam so that tests answer
// from a table instead of hardware. Errors are negative errno values.
class ScsiTransport
{
public:
    virtual ~ScsiTransport() = default;

    // A descriptor (>= 0) for node opened with flags (O_RDONLY, O_NONBLOCK, O_EXCL ...),
    // or -errno.
    virtual int openNode(const ScsiDeviceNode &node, int flags) = 0;
    virtual void closeNode(int descriptor) = 0;
    // Runs one SG_IO request: 0 when the request was carried out (its status fields
    // then tell how the command went), or -errno.
    virtual int sendCommand(int descriptor, sg_io_hdr_t &request) = 0;
};
