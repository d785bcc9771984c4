// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The one reading of UTF-8: strict (no overlong forms, no surrogates, nothing past U+10FFFF).

#include <cstddef>
#include <string_view>
#include <utility>

// The character at `i` of `text`: its code point and length, or length 0 when the bytes there
// are not well-formed UTF-8.
inline std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80)
        return {c, 1};
    const std::size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return {0, 0};
    char32_t cp = c & (0x7f >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next >> 6) != 0x2)
            return {0, 0};
        cp = (cp << 6) | (next & 0x3f);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return {0, 0};
    return {cp, length};
}

inline bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = decodeUtf8(text, i).second;
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}
