// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/ipodprobeenvironment.h"
#include "ipodinfo/scsitaskdeviceinterface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Reads the description of an iPod attached as a disk: the payloads of its
// vendor-specific INQUIRY pages, listed by page 0xC0, saved one after another as
// SCRATCH/ipod.plist. A self-contained service: the device link does not use it.
//
// Devices are entries of the kernel's device tree (folders under SYSFS/devices);
// the SCSI device of an iPod is found by walking up from a disk or partition.
// Search functions print to the environment's output, device functions to its
// error stream. All calls are synchronous; one inquiry waits up to 10 seconds.

// An entry of the kernel's device tree; the empty path is no entry.
struct DeviceEntry
{
    std::string path;
    bool operator==(const DeviceEntry &) const = default;
};
inline const DeviceEntry IO_OBJECT_NULL{};

// sysfs attribute of a SCSI device -> the value it must have (trailing blanks of
// the attribute do not count: the kernel pads the INQUIRY fields).
using MatchingDictionary = std::map<std::string, std::string>;

constexpr std::size_t kInquiryBufferSize = 255;
using InquiryBuffer = std::array<std::uint8_t, kInquiryBufferSize>;
constexpr std::uint8_t kIPodIndexPage = 0xC0;
constexpr unsigned kInquiryTimeoutMs = 10000;

// Path of the saved description for the volume mounted exactly at mountPoint, or
// null when no mount matches or its device is not an iPod that answers.
std::optional<std::string>
GetiPodInfoPlistByVolume(const std::string &mountPoint,
                         const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// As above for a kernel device name ("sdb", "sdb1" or the generic "sg2").
std::optional<std::string>
GetiPodInfoPlistByDeviceID(const std::string &bsdName,
                           const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// Reads the pages of an iPod's SCSI device (as ProbeNearby finds it) into
// SCRATCH/ipod.plist and answers its path.
std::optional<std::string>
GetiPodInfoPlistByServiceID(const DeviceEntry &scsiDevice,
                            const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// entry itself or its nearest ancestor that passes isValidiPodDevice, or IO_OBJECT_NULL.
DeviceEntry ProbeNearby(const DeviceEntry &entry,
                        const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

bool isValidiPodDevice(const DeviceEntry &service,
                       const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// For an iPod's SCSI device: its command node in plugInInterface and the device
// opened on it in interface. False when the entry is no iPod SCSI device or its
// node cannot be opened.
bool CreateDeviceInterfaceUsingSTUC(const DeviceEntry &scsiDevice, ScsiDeviceNode &plugInInterface,
                                    std::unique_ptr<ScsiTaskDeviceInterface> &interface,
                                    const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// INQUIRY with the vital-product-data bit for pageCode into buffer (cleared first).
// True when the command completed with good status.
bool ExecuteVPDInquiryUsingSTUC(ScsiTaskDeviceInterface *interface, std::uint8_t pageCode,
                                InquiryBuffer &buffer,
                                const IPodProbeEnvironment &env = IPodProbeEnvironment::host());

// The sysfs attributes that single out an iPod's SCSI device.
void CreateMatchingDictionaryForSTUC(MatchingDictionary *matchingDict);

// The first <string> value of xml read as 16 hex digits into 8 bytes (missing or
// non-hex digits count as 0). Answers output.
std::array<std::uint8_t, 8> &GetFirstKeyValue(std::string_view xml,
                                               std::array<std::uint8_t, 8> &output);
