// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "afcprotocol.h"

#include <cstring>

namespace afc {

namespace {

constexpr char Magic[] = "CFA6LPAA";

struct OpName
{
    uint64_t op;
    const char *name;
};
constexpr OpName OpNames[] = {
    {OpStatus, "STATUS"}, {OpData, "DATA"}, {OpReadDir, "READ_DIR"}, {OpTruncate, "TRUNCATE"},
    {OpRemovePath, "REMOVE_PATH"}, {OpMakeDir, "MAKE_DIR"}, {OpGetFileInfo, "GET_FILE_INFO"},
    {OpGetDevInfo, "GET_DEVINFO"}, {OpFileOpen, "FILE_OPEN"}, {OpFileRead, "FILE_READ"},
    {OpFileWrite, "FILE_WRITE"}, {OpFileSeek, "FILE_SEEK"}, {OpFileTell, "FILE_TELL"},
    {OpFileClose, "FILE_CLOSE"}, {OpFileSetSize, "FILE_SET_SIZE"}, {OpRenamePath, "RENAME_PATH"},
    {OpFileLock, "FILE_LOCK"}, {OpMakeLink, "MAKE_LINK"}, {OpSetFileModTime, "SET_FILE_MOD_TIME"},
    {OpRemovePathAndContents, "REMOVE_PATH_AND_CONTENTS"},
};

// Reads the string at *pos up to its NUL. The last string of a request may run to the end
// of the header data without one: the header's lengths bound it, and devices take it so.
bool takeString(const uint8_t *data, size_t size, size_t &pos, std::string &out, bool last)
{
    if (pos > size)
        return false;
    const void *nul = std::memchr(data + pos, 0, size - pos);
    if (!nul && !last)
        return false;
    const size_t end = nul ? size_t(static_cast<const uint8_t *>(nul) - data) : size;
    out.assign(reinterpret_cast<const char *>(data + pos), end - pos);
    pos = nul ? end + 1 : size;
    return true;
}

bool takeU64(const uint8_t *data, size_t size, size_t &pos, uint64_t &out)
{
    if (pos > size || size - pos < 8)
        return false;
    out = readLe64(data + pos);
    pos += 8;
    return true;
}

void appendHeader(Bytes &out, uint64_t entire, uint64_t thisLength, uint64_t packetNum, uint64_t op)
{
    out.insert(out.end(), Magic, Magic + 8);
    appendLe64(out, entire);
    appendLe64(out, thisLength);
    appendLe64(out, packetNum);
    appendLe64(out, op);
}

} // namespace

Parsed<Header> parseHeader(const uint8_t *data, size_t size)
{
    if (size < HeaderSize)
        return Parsed<Header>::fail("AFC header too short");
    if (std::memcmp(data, Magic, 8) != 0)
        return Parsed<Header>::fail("AFC magic missing");
    Header h;
    h.entireLength = readLe64(data + 8);
    h.thisLength = readLe64(data + 16);
    h.packetNum = readLe64(data + 24);
    h.operation = readLe64(data + 32);
    if (h.thisLength < HeaderSize)
        return Parsed<Header>::fail("AFC this_length below the header size");
    if (h.entireLength < h.thisLength)
        return Parsed<Header>::fail("AFC entire_length below this_length");
    if (h.operation == OpFileWrite) {
        // Its bytes are everything after the handle, wherever this_length puts the split.
        if (h.entireLength - HeaderSize > MaxPayload + 8)
            return Parsed<Header>::fail("AFC payload too large");
        return Parsed<Header>::ok(h);
    }
    if (h.headerDataLength() > MaxHeaderData)
        return Parsed<Header>::fail("AFC header data too large");
    if (h.payloadLength() > MaxPayload)
        return Parsed<Header>::fail("AFC payload too large");
    return Parsed<Header>::ok(h);
}

Parsed<Request> parseRequest(const Header &header, const uint8_t *data, size_t size)
{
    const bool fromPayload = header.headerDataLength() == 0 && header.payloadLength() > 0
        && header.operation != OpFileWrite;
    if (size != (fromPayload ? header.payloadLength() : header.headerDataLength()))
        return Parsed<Request>::fail("AFC argument size does not match its header");
    Request r;
    r.header = header;
    size_t pos = 0;
    bool ok = true;
    switch (header.operation) {
    case OpReadDir:
    case OpRemovePath:
    case OpMakeDir:
    case OpGetFileInfo:
    case OpRemovePathAndContents:
        ok = takeString(data, size, pos, r.path, true);
        break;
    case OpGetDevInfo:
        break;
    case OpTruncate:
    case OpFileOpen:
    case OpSetFileModTime:
        ok = takeU64(data, size, pos, r.number1) && takeString(data, size, pos, r.path, true);
        break;
    case OpFileRead:
    case OpFileSetSize:
    case OpFileLock:
        ok = takeU64(data, size, pos, r.number1) && takeU64(data, size, pos, r.number2);
        break;
    case OpFileSeek: {
        uint64_t offset = 0;
        ok = takeU64(data, size, pos, r.number1) && takeU64(data, size, pos, r.number2)
            && takeU64(data, size, pos, offset);
        r.offset = int64_t(offset);
        break;
    }
    case OpFileWrite:
    case OpFileTell:
    case OpFileClose:
        ok = takeU64(data, size, pos, r.number1);
        break;
    case OpRenamePath:
        ok = takeString(data, size, pos, r.path, false) && takeString(data, size, pos, r.path2, true);
        break;
    case OpMakeLink:
        ok = takeU64(data, size, pos, r.number1) && takeString(data, size, pos, r.path, false)
            && takeString(data, size, pos, r.path2, true);
        break;
    default:
        break; // unknown operations are answered "not supported" by the server
    }
    if (!ok)
        return Parsed<Request>::fail(std::string("AFC header data malformed for ")
                                     + (operationName(header.operation) ? operationName(header.operation) : "?"));
    return Parsed<Request>::ok(std::move(r));
}

const char *operationName(uint64_t op)
{
    for (const auto &entry : OpNames)
        if (entry.op == op)
            return entry.name;
    return nullptr;
}

std::optional<uint64_t> operationByName(const std::string &name)
{
    for (const auto &entry : OpNames)
        if (name == entry.name)
            return entry.op;
    return std::nullopt;
}

Bytes encodeStatus(uint64_t packetNum, uint64_t status)
{
    return encodeNumber(packetNum, OpStatus, status);
}

Bytes encodeData(uint64_t packetNum, const uint8_t *data, size_t size)
{
    Bytes out;
    out.reserve(HeaderSize + size);
    appendHeader(out, HeaderSize + size, HeaderSize, packetNum, OpData);
    if (size)
        out.insert(out.end(), data, data + size);
    return out;
}

Bytes encodeNumber(uint64_t packetNum, uint64_t op, uint64_t value)
{
    Bytes out;
    appendHeader(out, HeaderSize + 8, HeaderSize + 8, packetNum, op);
    appendLe64(out, value);
    return out;
}

Bytes encodeStrings(const std::vector<std::string> &items)
{
    Bytes out;
    for (const auto &s : items) {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    return out;
}

} // namespace afc
