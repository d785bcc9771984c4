// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Byte-order helpers, owned plist handles and the parse result type the request
// parsers of the emulator share.

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct PlistDeleter
{
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

// A parsed value or the reason the input was refused.
template<typename T>
struct Parsed
{
    std::optional<T> value;
    std::string error;

    static Parsed ok(T v) { return Parsed{std::move(v), {}}; }
    static Parsed fail(std::string why) { return Parsed{std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

inline uint32_t readLe32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t readLe64(const uint8_t *p)
{
    return uint64_t(readLe32(p)) | uint64_t(readLe32(p + 4)) << 32;
}
inline uint32_t readBe32(const uint8_t *p)
{
    return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
inline void appendLe32(Bytes &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
inline void appendLe64(Bytes &out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
inline void appendBe32(Bytes &out, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// Plist access that tolerates missing keys and wrong types.
std::optional<std::string> plistString(plist_t dict, const char *key);
std::optional<uint64_t> plistUint(plist_t dict, const char *key);
std::optional<bool> plistBool(plist_t dict, const char *key);
std::string plistToXml(plist_t node);
Bytes plistToBinary(plist_t node);
// A value as text for places that need one (strings, numbers, booleans, dates as seconds).
std::optional<std::string> plistScalarText(plist_t node);
