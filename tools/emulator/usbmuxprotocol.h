// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// usbmuxd framing as libusbmuxd 2.0.2 speaks it: a 16-byte little-endian header
// {length, version, message, tag} followed by an XML plist (protocol version 1).

#include "wire.h"

namespace usbmux {

constexpr size_t HeaderSize = 16;
constexpr uint32_t MaxPacket = 1u << 20; // requests are small plists; anything larger is refused
constexpr uint32_t MessagePlist = 8;

enum Result : uint32_t {
    ResultOk = 0,
    ResultBadCommand = 1,
    ResultBadDevice = 2,
    ResultConnectionRefused = 3,
};

struct Header
{
    uint32_t length = 0; // header included
    uint32_t version = 0;
    uint32_t message = 0;
    uint32_t tag = 0;
};

struct Request
{
    uint32_t tag = 0;
    std::string messageType;
    std::optional<uint64_t> deviceId;
    std::optional<uint16_t> port; // decoded from the byte-swapped PortNumber
    std::optional<std::string> pairRecordId;
    Bytes pairRecordData;
    std::string progName;
};

// The header of a packet; refuses lengths outside [16, MaxPacket] and anything but plist messages.
Parsed<Header> parseHeader(const uint8_t *data, size_t size);
// The plist payload of a packet whose header was accepted.
Parsed<Request> parseRequest(const Header &header, const uint8_t *payload, size_t size);

Bytes encodePacket(uint32_t tag, plist_t message);
Bytes encodeResult(uint32_t tag, uint32_t number);

} // namespace usbmux
