// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "trace.h"

#include "usbmuxprotocol.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/time.h>

namespace {

constexpr size_t MaxSummary = 600; // a whole device-info dictionary would swamp the trace

std::string hexOp(uint64_t op)
{
    char text[32];
    std::snprintf(text, sizeof text, "op=0x%llx", static_cast<unsigned long long>(op));
    return text;
}

void describe(plist_t node, std::string &out)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        out += '{';
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        char *key = nullptr;
        plist_t value = nullptr;
        bool first = true;
        for (plist_dict_next_item(node, it, &key, &value); key; plist_dict_next_item(node, it, &key, &value)) {
            if (!first)
                out += ' ';
            first = false;
            out += key;
            out += '=';
            describe(value, out);
            free(key);
            key = nullptr;
            if (out.size() > MaxSummary)
                break;
        }
        free(key);
        free(it);
        out += '}';
        break;
    }
    case PLIST_ARRAY: {
        out += '[';
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n && out.size() <= MaxSummary; ++i) {
            if (i)
                out += ' ';
            describe(plist_array_get_item(node, i), out);
        }
        out += ']';
        break;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        out += trace::quoted(text ? std::string(text, size_t(length)) : std::string());
        break;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        plist_get_data_ptr(node, &length);
        out += '<'; // appended piece by piece: "literal" + temporary makes gcc 12 warn (-Wrestrict)
        out += std::to_string(length);
        out += " bytes>";
        break;
    }
    default:
        out += plistScalarText(node).value_or("?");
        break;
    }
}

} // namespace

Trace::~Trace()
{
    if (m_file)
        std::fclose(m_file);
}

bool Trace::open(const std::string &path, std::string *error)
{
    m_file = std::fopen(path.c_str(), "we");
    if (!m_file)
        *error = "cannot write the trace " + path + ": " + std::strerror(errno);
    return m_file != nullptr;
}

void Trace::line(uint64_t connection, const char *layer, char direction, const std::string &summary)
{
    if (!m_file)
        return;
    timeval now{};
    gettimeofday(&now, nullptr);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &utc);
    std::lock_guard lock(m_mutex);
    std::fprintf(m_file, "%s.%06ld c%llu %s %c %s\n", stamp, static_cast<long>(now.tv_usec),
                 static_cast<unsigned long long>(connection), layer, direction, summary.c_str());
    // Flushed per line: the trace is read while a client hangs, or after the emulator was killed.
    std::fflush(m_file);
}

namespace trace {

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out + '"';
}

std::string describePlist(plist_t node)
{
    std::string out;
    if (node)
        describe(node, out);
    if (out.size() > MaxSummary)
        out = out.substr(0, MaxSummary) + "...";
    return out;
}

std::string describeUsbmux(const uint8_t *packet, size_t size)
{
    if (size < usbmux::HeaderSize)
        return "(short packet)";
    const uint32_t version = readLe32(packet + 4);
    const uint32_t message = readLe32(packet + 8);
    const uint8_t *payload = packet + usbmux::HeaderSize;
    const size_t length = size - usbmux::HeaderSize;
    std::string out = "tag=" + std::to_string(readLe32(packet + 12)) + " v" + std::to_string(version) + " ";
    switch (message) {
    case usbmux::MessagePlist: {
        plist_t raw = nullptr;
        if (length)
            plist_from_memory(reinterpret_cast<const char *>(payload), uint32_t(length), &raw);
        PlistPtr dict(raw);
        return out + (dict ? describePlist(dict.get()) : "(unreadable plist, " + std::to_string(length) + " bytes)");
    }
    case usbmux::MessageResult:
        return out + "RESULT " + (length >= 4 ? std::to_string(readLe32(payload)) : "?");
    case usbmux::MessageListen:
        return out + "LISTEN";
    case usbmux::MessageConnect:
        if (length < 6)
            return out + "CONNECT (too short)";
        return out + "CONNECT DeviceID=" + std::to_string(readLe32(payload))
            + " Port=" + std::to_string(payload[4] << 8 | payload[5]);
    case usbmux::MessageDeviceAdd:
        if (length < usbmux::BinaryDeviceRecordSize)
            return out + "DEVICE_ADD (too short)";
        return out + "DEVICE_ADD DeviceID=" + std::to_string(readLe32(payload)) + " Serial="
            + quoted(std::string(reinterpret_cast<const char *>(payload + 6),
                                 strnlen(reinterpret_cast<const char *>(payload + 6), 256)));
    case usbmux::MessageDeviceRemove:
        return out + "DEVICE_REMOVE DeviceID=" + (length >= 4 ? std::to_string(readLe32(payload)) : "?");
    default:
        return out + "message " + std::to_string(message) + " (" + std::to_string(length) + " bytes)";
    }
}

std::string describeAfcRequest(const afc::Header &header, const afc::Request *r)
{
    const char *name = afc::operationName(header.operation);
    std::string out = (name ? std::string(name) : hexOp(header.operation)) + " #" + std::to_string(header.packetNum)
        + " this=" + std::to_string(header.thisLength) + " entire=" + std::to_string(header.entireLength);
    if (!r)
        return out + " (arguments malformed)";
    const std::string n1 = std::to_string(r->number1);
    const std::string n2 = std::to_string(r->number2);
    switch (header.operation) {
    case afc::OpReadDir:
    case afc::OpRemovePath:
    case afc::OpMakeDir:
    case afc::OpGetFileInfo:
    case afc::OpRemovePathAndContents:
        return out + " path=" + quoted(r->path);
    case afc::OpTruncate:
        return out + " size=" + n1 + " path=" + quoted(r->path);
    case afc::OpFileOpen:
        return out + " mode=" + n1 + " path=" + quoted(r->path);
    case afc::OpSetFileModTime:
        return out + " mtime=" + n1 + " path=" + quoted(r->path);
    case afc::OpFileRead:
        return out + " handle=" + n1 + " length=" + n2;
    case afc::OpFileWrite:
        return out + " handle=" + n1 + " bytes=" + std::to_string(header.entireLength - afc::HeaderSize - 8);
    case afc::OpFileSeek:
        return out + " handle=" + n1 + " whence=" + n2 + " offset=" + std::to_string(r->offset);
    case afc::OpFileTell:
    case afc::OpFileClose:
        return out + " handle=" + n1;
    case afc::OpFileSetSize:
        return out + " handle=" + n1 + " size=" + n2;
    case afc::OpFileLock:
        return out + " handle=" + n1 + " op=" + n2;
    case afc::OpRenamePath:
        return out + " from=" + quoted(r->path) + " to=" + quoted(r->path2);
    case afc::OpMakeLink:
        return out + " type=" + n1 + " target=" + quoted(r->path) + " link=" + quoted(r->path2);
    default:
        return out;
    }
}

std::string describeAfcAnswer(const Bytes &packet)
{
    auto header = afc::parseHeader(packet.data(), packet.size());
    if (!header)
        return "(unencodable answer)";
    const afc::Header &h = *header.value;
    const char *name = afc::operationName(h.operation);
    std::string out = (name ? std::string(name) : h.operation == afc::OpFileOpenResult ? "FILE_OPEN_RES"
                                                   : h.operation == afc::OpFileTellResult ? "FILE_TELL_RES"
                                                                                           : hexOp(h.operation))
        + " #" + std::to_string(h.packetNum) + " this=" + std::to_string(h.thisLength)
        + " entire=" + std::to_string(h.entireLength);
    const bool number = h.headerDataLength() >= 8 && packet.size() >= afc::HeaderSize + 8;
    const uint64_t value = number ? readLe64(packet.data() + afc::HeaderSize) : 0;
    switch (h.operation) {
    case afc::OpStatus:
        return out + " status=" + std::to_string(value);
    case afc::OpFileOpenResult:
        return out + " handle=" + std::to_string(value);
    case afc::OpFileTellResult:
        return out + " position=" + std::to_string(value);
    case afc::OpData:
        return out + " bytes=" + std::to_string(h.payloadLength());
    default:
        return out;
    }
}

} // namespace trace
