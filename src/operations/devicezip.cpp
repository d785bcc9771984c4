// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/devicezip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// Inflates raw deflate data, giving up past `limit` bytes of output: a small entry that
// claims or inflates to far more is refused, never unpacked whole.
std::optional<std::string> inflateBounded(const std::string &input, uint32_t limit)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    std::string out;
    char buffer[1 << 15];
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > limit || (rc == Z_BUF_ERROR && z.avail_in == 0)) {
            rc = Z_DATA_ERROR;
            break;
        }
        if (rc == Z_BUF_ERROR)
            rc = Z_OK;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

} // namespace

bool DeviceZipReader::readDirectory(std::string *problem)
{
    constexpr uint32_t kEndRecord = 22, kMaxComment = 0xffff, kFirstTail = 16384;
    if (m_size < kEndRecord)
        return fail(problem, "the file is not an ePub (too short for a zip archive)");
    // The end record is at the very end unless the archive has a comment: a short tail
    // (which mostly holds the directory too) first, the longest a comment allows after.
    std::optional<std::string> tail;
    uint64_t tailStart = 0;
    std::size_t end = std::string::npos;
    for (const uint32_t length : {kFirstTail, kEndRecord + kMaxComment + kFirstTail}) {
        const uint32_t tailLength = static_cast<uint32_t>(std::min<uint64_t>(m_size, length));
        tailStart = m_size - tailLength;
        tail = m_file.read(tailStart, tailLength);
        if (!tail)
            return fail(problem, "the file could not be read from the device");
        const auto *t = reinterpret_cast<const unsigned char *>(tail->data());
        for (std::size_t i = tail->size() >= kEndRecord ? tail->size() - kEndRecord + 1 : 0; i-- > 0;) {
            if (le32(t + i) == 0x06054b50) {
                end = i;
                break;
            }
        }
        if (end != std::string::npos || tailLength == m_size)
            break;
    }
    if (end == std::string::npos)
        return fail(problem, "the file is not an ePub (no zip directory)");
    const auto *t = reinterpret_cast<const unsigned char *>(tail->data());
    const uint32_t cdSize = le32(t + end + 12), cdOffset = le32(t + end + 16);
    if (cdOffset == 0xffffffffu || cdSize == 0xffffffffu)
        return fail(problem, "the book is larger than the listing reads (a zip64 archive)");
    if (uint64_t(cdOffset) + cdSize > tailStart + end)
        return fail(problem, "the file is not an ePub (its zip directory is damaged)");
    if (cdSize > m_limits.maxCentralDirectory)
        return fail(problem, "the book's zip directory is too large to read");
    // The directory usually sits just before the end record, in the part read already.
    std::string directory;
    if (cdOffset >= tailStart) {
        directory = tail->substr(cdOffset - tailStart, cdSize);
    } else {
        const std::optional<std::string> part = m_file.read(cdOffset, cdSize);
        if (!part || part->size() != cdSize)
            return fail(problem, "the file could not be read from the device");
        directory = *part;
    }
    const auto *d = reinterpret_cast<const unsigned char *>(directory.data());
    for (std::size_t at = 0; at + 46 <= directory.size() && le32(d + at) == 0x02014b50;) {
        const uint16_t nameLength = le16(d + at + 28), extra = le16(d + at + 30), comment = le16(d + at + 32);
        if (at + 46 + nameLength > directory.size())
            break;
        DeviceZipEntry entry;
        entry.method = le16(d + at + 10);
        entry.compressedSize = le32(d + at + 20);
        entry.size = le32(d + at + 24);
        entry.localOffset = le32(d + at + 42);
        m_entries.emplace(directory.substr(at + 46, nameLength), entry);
        at += 46 + std::size_t(nameLength) + extra + comment;
    }
    return true;
}

std::optional<std::string> DeviceZipReader::entry(const std::string &name, std::string *problem)
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end()) {
        fail(problem, "the file is not an ePub (no " + name + ")");
        return std::nullopt;
    }
    const DeviceZipEntry &e = it->second;
    if (e.compressedSize > m_limits.maxDocument || e.size > m_limits.maxDocument || (e.method != 0 && e.method != 8)) {
        fail(problem, "the book's " + name + " is too large or packed in a way the listing does not read");
        return std::nullopt;
    }
    // The local header's name and extra field are read with the data, with room to spare;
    // a longer extra field than that costs a second read.
    constexpr uint32_t kLocalHeader = 30, kSlack = 512;
    const uint32_t want = kLocalHeader + static_cast<uint32_t>(name.size()) + kSlack + e.compressedSize;
    std::optional<std::string> part = m_file.read(e.localOffset, want);
    if (!part || part->size() < kLocalHeader ||
        le32(reinterpret_cast<const unsigned char *>(part->data())) != 0x04034b50) {
        fail(problem, "the file is not an ePub (a damaged zip entry)");
        return std::nullopt;
    }
    const auto *h = reinterpret_cast<const unsigned char *>(part->data());
    const uint32_t dataAt = kLocalHeader + le16(h + 26) + le16(h + 28);
    std::string data;
    if (uint64_t(dataAt) + e.compressedSize <= part->size()) {
        data = part->substr(dataAt, e.compressedSize);
    } else {
        const std::optional<std::string> again = m_file.read(uint64_t(e.localOffset) + dataAt, e.compressedSize);
        if (!again || again->size() != e.compressedSize) {
            fail(problem, "the file could not be read from the device");
            return std::nullopt;
        }
        data = *again;
    }
    if (e.method == 0)
        return data;
    std::optional<std::string> inflated = inflateBounded(data, m_limits.maxDocument);
    if (!inflated)
        fail(problem, "the book's " + name + " cannot be unpacked (damaged, or larger than it says)");
    return inflated;
}
