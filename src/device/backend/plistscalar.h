// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// A property-list scalar as text, the one reading of device values shared by the folder
// backend and the USB backend. Header-only, so the USB backend keeps to the layer's
// declarations and links nothing of the layer.

#include <plist/plist.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

// Strings as they are (up to a NUL), integers in decimal, booleans as "true"/"false",
// reals in their shortest exact form with a '.' whatever the locale ("7.5", "1e+20").
// Null for containers, data and missing nodes.
inline std::optional<std::string> plistScalarText(plist_t node)
{
    if (!node)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        // By pointer and length: libplist aborts when asked to copy a string holding a NUL.
        uint64_t length = 0;
        const char *s = plist_get_string_ptr(node, &length);
        return s ? std::string(s, ::strnlen(s, static_cast<std::size_t>(length))) : std::string();
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return std::to_string(v);
    }
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return std::string(v ? "true" : "false");
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        char buf[64];
        const auto result = std::to_chars(buf, buf + sizeof buf, v);
        return std::string(buf, result.ec == std::errc() ? result.ptr : buf);
    }
    default:
        return std::nullopt;
    }
}
