// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/mountinfo.h"

#include <cerrno>
#include <charconv>
#include <fstream>

namespace {
bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

bool parseNumber(std::string_view text, unsigned &value)
{
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}
} // namespace

std::string unescapeMountInfoField(std::string_view field)
{
    std::string result;
    result.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1])
            && isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                result.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        result.push_back(field[i]);
    }
    return result;
}

std::optional<MountInfoEntry> parseMountInfoLine(std::string_view line)
{
    // ID PARENT MAJ:MIN ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - FSTYPE SOURCE SUPEROPTIONS
    const std::vector<std::string_view> fields = splitFields(line);
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size())
        return std::nullopt;

    const std::string_view number = fields[2];
    const std::size_t colon = number.find(':');
    MountInfoEntry entry;
    if (colon == std::string_view::npos || !parseNumber(number.substr(0, colon), entry.major)
        || !parseNumber(number.substr(colon + 1), entry.minor))
        return std::nullopt;
    entry.mountPoint = unescapeMountInfoField(fields[4]);
    entry.fileSystem = unescapeMountInfoField(fields[separator + 1]);
    entry.source = unescapeMountInfoField(fields[separator + 2]);
    return entry;
}

std::optional<std::vector<MountInfoEntry>> readMountInfo(const std::string &path, int *error)
{
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = errno ? errno : ENOENT;
        return std::nullopt;
    }
    std::vector<MountInfoEntry> entries;
    std::string line;
    while (std::getline(in, line)) {
        if (auto entry = parseMountInfoLine(line))
            entries.push_back(std::move(*entry));
    }
    if (in.bad()) {
        if (error)
            *error = EIO;
        return std::nullopt;
    }
    if (error)
        *error = 0;
    return entries;
}
