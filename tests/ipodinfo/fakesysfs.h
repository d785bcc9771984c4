// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/ipodprobeenvironment.h"
#include "tempdir.h"

#include <string>
#include <vector>

// A SCSI disk on USB as sysfs shows it.
struct FakeDisk
{
    unsigned host = 6;
    std::string vendor = "Apple   "; // padded as the kernel shows INQUIRY fields
    std::string model = "iPod            ";
    std::string disk = "sdb";
    unsigned major = 8;
    unsigned minor = 16;
    std::vector<std::string> partitions = {"sdb1"}; // minors follow the disk's
    std::string generic = "sg2";                    // empty: the sg driver is not loaded
    unsigned genericMinor = 2;
};

// A kernel device tree and mount table in a temporary folder:
//   ROOT/sys/devices/.../hostH/targetH:0:0/H:0:0:0/{vendor,model,scsi_generic/sgN,block/sdX/sdXN}
//   ROOT/sys/class/{block,scsi_generic}/NAME and ROOT/sys/dev/block/MAJ:MIN as symlinks
//   ROOT/mountinfo
class FakeSysfs
{
public:
    FakeSysfs();

    std::string sysfsRoot() const { return m_dir.file("sys"); }
    std::string mountInfoPath() const { return m_dir.file("mountinfo"); }

    // Answers the SCSI device folder (H:0:0:0).
    std::string addDisk(const FakeDisk &disk);
    // A line "ID 1 MAJ:MIN / MOUNTPOINT rw - FSTYPE SOURCE rw"; mountPoint as the kernel escapes it.
    void addMount(unsigned major, unsigned minor, const std::string &escapedMountPoint,
                  const std::string &fileSystem = "vfat");

    IPodProbeEnvironment environment(ScsiTransport &transport, std::ostream &out, std::ostream &err) const;

private:
    void link(const std::string &linkPath, const std::string &target);

    TempDir m_dir;
    int m_mountId = 20;
};
