// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// An ePub on the device read without fetching it: the zip's end record and central directory
// from the file's tail, then single entries, each by one ranged read, inflated in memory and
// bounded whatever the headers claim.

#include "device/backend/mobiledevice.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// How much a listing reads of one book at most.
struct AppBookLimits
{
    uint32_t maxCentralDirectory = 8u << 20; // bytes
    uint32_t maxDocument = 4u << 20;         // container.xml and the package document, inflated
};

// An open file on the device, read in parts.
class DeviceFile final
{
public:
    DeviceFile(afc_connection *connection, const std::string &path) : m_connection(connection)
    {
        if (AFCFileRefOpen(connection, path.c_str(), AFC_MODE_READ, 0, &m_ref) != 0)
            m_ref = 0;
    }
    ~DeviceFile()
    {
        if (m_ref)
            AFCFileRefClose(m_connection, m_ref);
    }
    DeviceFile(const DeviceFile &) = delete;
    DeviceFile &operator=(const DeviceFile &) = delete;

    bool open() const { return m_ref != 0; }
    // `length` bytes from `offset` (fewer at the file's end); nullopt on a read error.
    std::optional<std::string> read(uint64_t offset, uint32_t length)
    {
        if (AFCFileRefSeek(m_connection, m_ref, offset) != 0)
            return std::nullopt;
        std::string bytes(length, '\0');
        unsigned int got = length;
        if (AFCFileRefRead(m_connection, m_ref, bytes.data(), &got) != 0)
            return std::nullopt;
        bytes.resize(got);
        return bytes;
    }

private:
    afc_connection *m_connection;
    afc_file_ref m_ref = 0;
};

// Where an entry lies in the archive and how it is packed, from the central directory.
struct DeviceZipEntry
{
    uint16_t method = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

// The zip of a DeviceFile of `size` bytes: its directory, then any entry by name.
class DeviceZipReader final
{
public:
    DeviceZipReader(DeviceFile &file, uint64_t size, const AppBookLimits &limits) : m_file(file), m_size(size), m_limits(limits) {}

    // Reads the end record and the central directory; false with *problem when this is no zip.
    bool readDirectory(std::string *problem);

    bool has(const std::string &name) const { return m_entries.count(name) != 0; }

    // The entry's bytes, inflated; nullopt with *problem when it is absent or not readable.
    std::optional<std::string> entry(const std::string &name, std::string *problem);

private:
    static bool fail(std::string *problem, const std::string &text)
    {
        if (problem && problem->empty())
            *problem = text;
        return false;
    }

    DeviceFile &m_file;
    uint64_t m_size;
    AppBookLimits m_limits;
    std::map<std::string, DeviceZipEntry> m_entries;
};
