// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "wire.h"

#include <cstdlib>

std::optional<std::string> plistString(plist_t dict, const char *key)
{
    if (!dict || plist_get_node_type(dict) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    // Taken with its length: libplist aborts when asked to copy a string holding a NUL.
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::nullopt;
    std::string result(text, static_cast<size_t>(length));
    if (result.find('\0') != std::string::npos)
        return std::nullopt; // no request names anything with a NUL in it
    return result;
}

std::optional<uint64_t> plistUint(plist_t dict, const char *key)
{
    if (!dict || plist_get_node_type(dict) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_UINT)
        return std::nullopt;
    uint64_t v = 0;
    plist_get_uint_val(node, &v);
    return v;
}

std::optional<bool> plistBool(plist_t dict, const char *key)
{
    if (!dict || plist_get_node_type(dict) != PLIST_DICT)
        return std::nullopt;
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_BOOLEAN)
        return std::nullopt;
    uint8_t v = 0;
    plist_get_bool_val(node, &v);
    return v != 0;
}

std::string plistToXml(plist_t node)
{
    char *xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(node, &xml, &len);
    std::string result = xml ? std::string(xml, len) : std::string();
    free(xml);
    return result;
}

Bytes plistToBinary(plist_t node)
{
    char *bin = nullptr;
    uint32_t len = 0;
    plist_to_bin(node, &bin, &len);
    Bytes result;
    if (bin)
        result.assign(reinterpret_cast<uint8_t *>(bin), reinterpret_cast<uint8_t *>(bin) + len);
    free(bin);
    return result;
}

std::optional<std::string> plistScalarText(plist_t node)
{
    if (!node)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        return text ? std::string(text, static_cast<size_t>(length)) : std::string();
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return std::to_string(v);
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return std::to_string(v);
    }
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return std::string(v ? "true" : "false");
    }
    default:
        return std::nullopt;
    }
}
