// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/folder/demoapps.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

void put32be(std::string &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char((v >> shift) & 0xff));
}

void put16le(std::string &out, uint32_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char((v >> 8) & 0xff));
}

void put32le(std::string &out, uint32_t v)
{
    put16le(out, v & 0xffff);
    put16le(out, v >> 16);
}

uint32_t crcOf(const std::string &data, uint32_t crc = 0)
{
    return uint32_t(crc32(crc, reinterpret_cast<const Bytef *>(data.data()), uInt(data.size())));
}

void pngChunk(std::string &out, const char *type, const std::string &data)
{
    put32be(out, uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    put32be(out, crcOf(typed));
}

} // namespace

std::string iconPng(int size, uint32_t background, uint32_t foreground)
{
    size = std::clamp(size, 1, 256);
    std::string raw;
    raw.reserve(size_t(size) * (size * 3 + 1));
    const int inset = size / 4;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < size; ++x) {
            const bool inner = x >= inset && x < size - inset && y >= inset && y < size - inset;
            const uint32_t rgb = inner ? foreground : background;
            raw.push_back(char((rgb >> 16) & 0xff));
            raw.push_back(char((rgb >> 8) & 0xff));
            raw.push_back(char(rgb & 0xff));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize, reinterpret_cast<const Bytef *>(raw.data()),
                  uLong(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32be(header, uint32_t(size));
    put32be(header, uint32_t(size));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter set, no interlace
    pngChunk(png, "IHDR", header);
    pngChunk(png, "IDAT", packed);
    pngChunk(png, "IEND", {});
    return png;
}

bool packEpubFolder(const std::string &folder, const std::string &epub)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            names.push_back(fs::relative(it->path(), folder, ec).generic_string());
    if (ec)
        return false;
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        // The reading system looks for "mimetype" as the very first entry.
        if ((a == "mimetype") != (b == "mimetype"))
            return a == "mimetype";
        return a < b;
    });
    std::string archive, directory;
    for (const std::string &name : names) {
        std::ifstream in(fs::path(folder) / name, std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
            return false;
        const uint32_t crc = crcOf(data);
        const uint32_t offset = uint32_t(archive.size());
        // 2024-01-01 00:00 in DOS form, so the files are the same on every run.
        const uint32_t dosTime = 0, dosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;
        auto common = [&](std::string &out) {
            put16le(out, 20); // version needed
            put16le(out, 0);  // flags
            put16le(out, 0);  // stored
            put16le(out, dosTime);
            put16le(out, dosDate);
            put32le(out, crc);
            put32le(out, uint32_t(data.size()));
            put32le(out, uint32_t(data.size()));
            put16le(out, uint32_t(name.size()));
            put16le(out, 0); // extra
        };
        put32le(archive, 0x04034b50);
        common(archive);
        archive += name;
        archive += data;
        put32le(directory, 0x02014b50);
        put16le(directory, 20); // made by
        common(directory);
        put16le(directory, 0); // comment
        put16le(directory, 0); // disk
        put16le(directory, 0); // internal attributes
        put32le(directory, 0); // external attributes
        put32le(directory, offset);
        directory += name;
    }
    const uint32_t directoryOffset = uint32_t(archive.size());
    archive += directory;
    put32le(archive, 0x06054b50);
    put16le(archive, 0);
    put16le(archive, 0);
    put16le(archive, uint32_t(names.size()));
    put16le(archive, uint32_t(names.size()));
    put32le(archive, uint32_t(directory.size()));
    put32le(archive, directoryOffset);
    put16le(archive, 0);

    const std::string temporary = epub + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(archive.data(), std::streamsize(archive.size()));
        if (!out.flush()) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, epub, ec);
    if (!ec)
        return true;
    fs::remove(temporary, ec);
    return false;
}
