// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/ipodprobeenvironment.h"

#include <iosfwd>
#include <string>

// `bookferry-cli ipod-info MOUNTPOINT`: saves the description of the disk-mode iPod
// mounted at MOUNTPOINT and prints its path and its first string value as 16
// hexadecimal digits, one per line. Exit status: 0 done, 1 nothing found or the
// read failed, 2 usage.
int runIPodInfoCommand(const std::string &mountPoint, std::ostream &out, std::ostream &err);

// The same against another host: tests pass a fake device tree and transport.
// The probe's own messages go to out and err as well.
int runIPodInfoCommand(const std::string &mountPoint, std::ostream &out, std::ostream &err,
                       const IPodProbeEnvironment &env);
