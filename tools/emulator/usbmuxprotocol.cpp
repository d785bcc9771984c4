// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "usbmuxprotocol.h"

#include <algorithm>
#include <cstdlib>

namespace usbmux {

Parsed<Header> parseHeader(const uint8_t *data, size_t size)
{
    if (size < HeaderSize)
        return Parsed<Header>::fail("usbmux header too short");
    Header h;
    h.length = readLe32(data);
    h.version = readLe32(data + 4);
    h.message = readLe32(data + 8);
    h.tag = readLe32(data + 12);
    if (h.length < HeaderSize)
        return Parsed<Header>::fail("usbmux length smaller than its header");
    if (h.length > MaxPacket)
        return Parsed<Header>::fail("usbmux packet too large");
    return Parsed<Header>::ok(h);
}

Parsed<Request> parseRequest(const Header &header, const uint8_t *payload, size_t size)
{
    if (size != header.length - HeaderSize)
        return Parsed<Request>::fail("usbmux payload size does not match its header");
    if (header.message == MessageListen || header.message == MessageConnect) {
        Request r;
        r.tag = header.tag;
        r.binary = true;
        r.messageType = header.message == MessageListen ? "Listen" : "Connect";
        if (header.message == MessageConnect) {
            // {u32 device id, u16 port in network order, u16 reserved}
            if (size < 6)
                return Parsed<Request>::fail("usbmux binary Connect too short");
            r.deviceId = readLe32(payload);
            r.port = uint16_t(payload[4] << 8 | payload[5]);
        }
        return Parsed<Request>::ok(std::move(r));
    }
    if (header.message != MessagePlist)
        return Parsed<Request>::fail("usbmux message type " + std::to_string(header.message) + " is not a request");
    if (size == 0)
        return Parsed<Request>::fail("usbmux request without a plist");
    plist_t raw = nullptr;
    plist_from_memory(reinterpret_cast<const char *>(payload), uint32_t(size), &raw);
    PlistPtr dict(raw);
    if (!dict || plist_get_node_type(dict.get()) != PLIST_DICT)
        return Parsed<Request>::fail("usbmux payload is not a plist dictionary");
    Request r;
    r.tag = header.tag;
    auto type = plistString(dict.get(), "MessageType");
    if (!type || type->empty())
        return Parsed<Request>::fail("usbmux request without MessageType");
    r.messageType = *type;
    r.deviceId = plistUint(dict.get(), "DeviceID");
    if (auto port = plistUint(dict.get(), "PortNumber")) {
        if (*port > 0xFFFF)
            return Parsed<Request>::fail("usbmux PortNumber out of range");
        // libusbmuxd sends htons(port) stored as a host-order integer.
        r.port = uint16_t(((*port & 0xFF) << 8) | ((*port >> 8) & 0xFF));
    }
    r.pairRecordId = plistString(dict.get(), "PairRecordID");
    if (plist_t data = plist_dict_get_item(dict.get(), "PairRecordData");
        data && plist_get_node_type(data) == PLIST_DATA) {
        char *bytes = nullptr;
        uint64_t len = 0;
        plist_get_data_val(data, &bytes, &len);
        if (bytes)
            r.pairRecordData.assign(reinterpret_cast<uint8_t *>(bytes), reinterpret_cast<uint8_t *>(bytes) + len);
        free(bytes);
    }
    r.progName = plistString(dict.get(), "ProgName").value_or(std::string());
    return Parsed<Request>::ok(std::move(r));
}

Bytes encodePacket(uint32_t tag, plist_t message)
{
    const std::string xml = plistToXml(message);
    Bytes out;
    out.reserve(HeaderSize + xml.size());
    appendLe32(out, uint32_t(HeaderSize + xml.size()));
    appendLe32(out, 1);
    appendLe32(out, MessagePlist);
    appendLe32(out, tag);
    out.insert(out.end(), xml.begin(), xml.end());
    return out;
}

namespace {

Bytes binaryPacket(uint32_t message, uint32_t tag, const Bytes &payload)
{
    Bytes out;
    appendLe32(out, uint32_t(HeaderSize + payload.size()));
    appendLe32(out, 0);
    appendLe32(out, message);
    appendLe32(out, tag);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

} // namespace

Bytes encodeBinaryDeviceAdd(uint32_t deviceId, uint16_t productId, const std::string &serial, uint32_t location)
{
    Bytes record;
    appendLe32(record, deviceId);
    record.push_back(uint8_t(productId));
    record.push_back(uint8_t(productId >> 8));
    Bytes name(256, 0);
    std::copy_n(serial.begin(), std::min<size_t>(serial.size(), 255), name.begin());
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(0);
    record.push_back(0);
    appendLe32(record, location);
    return binaryPacket(MessageDeviceAdd, 0, record);
}

Bytes encodeBinaryDeviceRemove(uint32_t deviceId)
{
    Bytes id;
    appendLe32(id, deviceId);
    return binaryPacket(MessageDeviceRemove, 0, id);
}

Bytes encodeResult(uint32_t tag, uint32_t number, bool binary)
{
    if (binary) {
        Bytes value;
        appendLe32(value, number);
        return binaryPacket(MessageResult, tag, value);
    }
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("Result"));
    plist_dict_set_item(dict.get(), "Number", plist_new_uint(number));
    return encodePacket(tag, dict.get());
}

} // namespace usbmux
