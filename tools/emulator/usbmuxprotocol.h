// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// usbmuxd framing: a 16-byte little-endian header {length, version, message, tag} followed
// by a plist (message 8, the protocol libusbmuxd speaks) or by the binary structures of
// protocol version 0 (Listen, Connect). Answers follow the protocol the connection last used.

#include "wire.h"

namespace usbmux {

constexpr size_t HeaderSize = 16;
constexpr uint32_t MaxPacket = 1u << 20; // requests are small plists; anything larger is refused

enum Message : uint32_t {
    MessageResult = 1,
    MessageConnect = 2,
    MessageListen = 3,
    MessageDeviceAdd = 4,
    MessageDeviceRemove = 5,
    MessagePlist = 8,
};

enum Result : uint32_t {
    ResultOk = 0,
    ResultBadCommand = 1,
    ResultBadDevice = 2,
    ResultConnectionRefused = 3,
    ResultBadVersion = 6,
};

constexpr size_t BinaryDeviceRecordSize = 268; // u32 id, u16 product, char serial[256], u16 pad, u32 location

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
    bool binary = false; // protocol 0: answered with binary structures
    std::string messageType;
    std::optional<uint64_t> deviceId;
    std::optional<uint16_t> port; // decoded from the byte-swapped PortNumber
    std::optional<std::string> pairRecordId;
    Bytes pairRecordData;
    std::string progName;
};

// The header of a packet; refuses lengths outside [16, MaxPacket]. Versions and message
// types are the server's to judge (it answers BADVERSION / BADCOMMAND and carries on).
Parsed<Header> parseHeader(const uint8_t *data, size_t size);
// The payload of a packet whose header was accepted: a plist request (message 8, any
// version), or a binary Listen or Connect. Other message types fail.
Parsed<Request> parseRequest(const Header &header, const uint8_t *payload, size_t size);

Bytes encodePacket(uint32_t tag, plist_t message);
Bytes encodeResult(uint32_t tag, uint32_t number, bool binary = false);
// Protocol-0 device events.
Bytes encodeBinaryDeviceAdd(uint32_t deviceId, uint16_t productId, const std::string &serial, uint32_t location);
Bytes encodeBinaryDeviceRemove(uint32_t deviceId);

} // namespace usbmux
