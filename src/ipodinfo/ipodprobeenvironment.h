// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <iosfwd>
#include <string>

class ScsiTransport;

// Where the probe looks and what it talks to. The defaults are the running system;
// tests point the roots at a fake tree and the transport at a fake device. Nothing
// here is owned: the transport and streams must outlive every call made with it.
struct IPodProbeEnvironment
{
    std::string mountInfoPath = "/proc/self/mountinfo";
    std::string sysfsRoot = "/sys";
    std::string deviceRoot = "/dev";
    ScsiTransport *transport = nullptr; // null: the kernel's SG_IO
    std::ostream *out = nullptr;        // null: standard output
    std::ostream *err = nullptr;        // null: standard error

    static const IPodProbeEnvironment &host();

    ScsiTransport &scsi() const;
    std::ostream &output() const;
    std::ostream &errors() const;
};
