// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "fakesysfs.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

FakeSysfs::FakeSysfs()
{
    fs::create_directories(m_dir.file("sys/devices/virtual"));
    fs::create_directories(m_dir.file("sys/class/block"));
    fs::create_directories(m_dir.file("sys/class/scsi_generic"));
    fs::create_directories(m_dir.file("sys/dev/block"));
    writeWholeFile(mountInfoPath(), "1 0 0:2 / / rw - rootfs rootfs rw\n"
                                    "2 1 0:5 / /proc rw,nosuid - proc proc rw\n");
}

void FakeSysfs::link(const std::string &linkPath, const std::string &target)
{
    fs::create_directories(fs::path(linkPath).parent_path());
    fs::create_symlink(target, linkPath);
}

std::string FakeSysfs::addDisk(const FakeDisk &disk)
{
    const std::string h = std::to_string(disk.host);
    const std::string usb = "devices/pci0000:00/0000:00:14.0/usb1/1-" + h + "/1-" + h + ":1.0";
    const std::string device = m_dir.file("sys/" + usb + "/host" + h + "/target" + h + ":0:0/" + h + ":0:0:0");
    fs::create_directories(device);
    writeWholeFile(device + "/vendor", disk.vendor + "\n");
    writeWholeFile(device + "/model", disk.model + "\n");
    writeWholeFile(device + "/type", "0\n");

    if (!disk.generic.empty()) {
        const std::string sg = device + "/scsi_generic/" + disk.generic;
        writeWholeFile(sg + "/dev", "21:" + std::to_string(disk.genericMinor) + "\n");
        link(m_dir.file("sys/class/scsi_generic/" + disk.generic), sg);
    }
    const std::string block = device + "/block/" + disk.disk;
    writeWholeFile(block + "/dev", std::to_string(disk.major) + ":" + std::to_string(disk.minor) + "\n");
    link(m_dir.file("sys/class/block/" + disk.disk), block);
    link(m_dir.file("sys/dev/block/" + std::to_string(disk.major) + ":" + std::to_string(disk.minor)), block);
    unsigned minor = disk.minor;
    for (const std::string &partition : disk.partitions) {
        ++minor;
        const std::string number = std::to_string(disk.major) + ":" + std::to_string(minor);
        writeWholeFile(block + "/" + partition + "/dev", number + "\n");
        link(m_dir.file("sys/class/block/" + partition), block + "/" + partition);
        link(m_dir.file("sys/dev/block/" + number), block + "/" + partition);
    }
    return device;
}

void FakeSysfs::addMount(unsigned major, unsigned minor, const std::string &escapedMountPoint,
                         const std::string &fileSystem)
{
    const int id = m_mountId++;
    std::ofstream out(mountInfoPath(), std::ios::app);
    out << id << " 1 " << major << ':' << minor << " / " << escapedMountPoint
        << " rw,nosuid,nodev shared:" << id << " - " << fileSystem << " /dev/x rw\n";
}

IPodProbeEnvironment FakeSysfs::environment(ScsiTransport &transport, std::ostream &out,
                                            std::ostream &err) const
{
    IPodProbeEnvironment env;
    env.mountInfoPath = mountInfoPath();
    env.sysfsRoot = sysfsRoot();
    env.deviceRoot = "/fake-dev";
    env.transport = &transport;
    env.out = &out;
    env.err = &err;
    return env;
}
