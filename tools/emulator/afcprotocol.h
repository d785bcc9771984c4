// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// AFC packets: a 40-byte header of little-endian u64 {magic "CFA6LPAA", entire_length,
// this_length, packet_num, operation}, header data, then a payload (the bytes of FILE_WRITE
// and of DATA answers). Numbers and paths travel in the header data; a request may end its
// last path without a NUL.

#include "wire.h"

namespace afc {

constexpr size_t HeaderSize = 40;
constexpr uint64_t MaxHeaderData = 64 * 1024; // paths and integers; never bulk data
constexpr uint64_t MaxPayload = uint64_t(1) << 32; // one afc_file_write carries at most 4 GiB

enum Op : uint64_t {
    OpStatus = 0x01,
    OpData = 0x02,
    OpReadDir = 0x03,
    OpTruncate = 0x07,
    OpRemovePath = 0x08,
    OpMakeDir = 0x09,
    OpGetFileInfo = 0x0A,
    OpGetDevInfo = 0x0B,
    OpFileOpen = 0x0D,
    OpFileOpenResult = 0x0E,
    OpFileRead = 0x0F,
    OpFileWrite = 0x10,
    OpFileSeek = 0x11,
    OpFileTell = 0x12,
    OpFileTellResult = 0x13,
    OpFileClose = 0x14,
    OpFileSetSize = 0x15,
    OpRenamePath = 0x18,
    OpFileLock = 0x1B,
    OpMakeLink = 0x1C,
    OpSetFileModTime = 0x1E,
    OpRemovePathAndContents = 0x22,
};

enum Status : uint64_t {
    StatusSuccess = 0,
    StatusUnknownError = 1,
    StatusHeaderInvalid = 2,
    StatusReadError = 4,
    StatusWriteError = 5,
    StatusInvalidArg = 7,
    StatusObjectNotFound = 8,
    StatusObjectIsDir = 9,
    StatusPermDenied = 10,
    StatusObjectExists = 16,
    StatusObjectBusy = 17,
    StatusNoSpaceLeft = 18,
    StatusWouldBlock = 19,
    StatusIoError = 20,
    StatusOpNotSupported = 15,
};

struct Header
{
    uint64_t entireLength = 0;
    uint64_t thisLength = 0;
    uint64_t packetNum = 0;
    uint64_t operation = 0;
    uint64_t headerDataLength() const { return thisLength - HeaderSize; }
    uint64_t payloadLength() const { return entireLength - thisLength; }
};

// The request, its fields taken from the header data.
struct Request
{
    Header header;
    std::string path;   // first path (READ_DIR, FILE_OPEN, RENAME "from", ...)
    std::string path2;  // RENAME "to", MAKE_LINK link name
    uint64_t number1 = 0; // FILE_OPEN mode, handle, TRUNCATE size, MAKE_LINK type, mtime
    uint64_t number2 = 0; // FILE_READ length, SEEK whence, SET_SIZE size, LOCK op
    int64_t offset = 0;   // FILE_SEEK offset
};

// Refuses a wrong magic, this_length < 40, entire_length < this_length, header data
// above MaxHeaderData and payloads above MaxPayload. A payload on an operation other than
// FILE_WRITE is the server's to read: it holds the arguments when the header data is empty.
// FILE_WRITE is the 8-byte handle followed by the bytes, however this_length splits them
// (some clients send everything as header data); up to MaxPayload bytes.
Parsed<Header> parseHeader(const uint8_t *data, size_t size);
// Decodes the arguments of an accepted header: its header data, or its payload when the
// header data is empty (a client that puts everything after the header is served too).
// Trailing bytes after the arguments are ignored.
Parsed<Request> parseRequest(const Header &header, const uint8_t *data, size_t size);

const char *operationName(uint64_t op); // "FILE_OPEN", ...; nullptr for unknown codes
std::optional<uint64_t> operationByName(const std::string &name);

Bytes encodeStatus(uint64_t packetNum, uint64_t status);
// DATA: the bytes in the payload part (this_length 40).
Bytes encodeData(uint64_t packetNum, const uint8_t *data, size_t size);
// FILE_OPEN_RES, FILE_TELL_RES (and STATUS): the u64 as header data (this_length 48), where a
// device puts it and where a client reading only the header data looks.
Bytes encodeNumber(uint64_t packetNum, uint64_t op, uint64_t value);
// "k\0v\0..." lists of GET_FILE_INFO, GET_DEVINFO, READ_DIR.
Bytes encodeStrings(const std::vector<std::string> &items);

} // namespace afc
