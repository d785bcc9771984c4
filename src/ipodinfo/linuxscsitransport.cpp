// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/linuxscsitransport.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

int LinuxScsiTransport::openNode(const ScsiDeviceNode &node, int flags)
{
    const int descriptor = ::open(node.path.c_str(), flags | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return -errno;
    // /dev is trusted only as far as it agrees with sysfs: the node must be the
    // device the kernel tree named, so commands never reach some other device.
    struct stat st{};
    const bool rightKind = ::fstat(descriptor, &st) == 0
        && (node.generic ? S_ISCHR(st.st_mode) : S_ISBLK(st.st_mode));
    if (!rightKind || (node.device != 0 && st.st_rdev != node.device)) {
        ::close(descriptor);
        return -ENODEV;
    }
    return descriptor;
}

void LinuxScsiTransport::closeNode(int descriptor)
{
    ::close(descriptor);
}

int LinuxScsiTransport::sendCommand(int descriptor, sg_io_hdr_t &request)
{
    int result;
    do {
        result = ::ioctl(descriptor, SG_IO, &request);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : 0;
}
