// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/ipodprobeenvironment.h"

#include "ipodinfo/linuxscsitransport.h"

#include <iostream>

const IPodProbeEnvironment &IPodProbeEnvironment::host()
{
    static const IPodProbeEnvironment environment;
    return environment;
}

ScsiTransport &IPodProbeEnvironment::scsi() const
{
    static LinuxScsiTransport kernel;
    return transport ? *transport : kernel;
}

std::ostream &IPodProbeEnvironment::output() const
{
    return out ? *out : std::cout;
}

std::ostream &IPodProbeEnvironment::errors() const
{
    return err ? *err : std::cerr;
}
