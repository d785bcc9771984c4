// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "plistframing.h"

#include <cstring>

namespace plistframe {

Parsed<uint32_t> parseLength(const uint8_t *prefix, size_t size)
{
    if (size != 4)
        return Parsed<uint32_t>::fail("length prefix must be 4 bytes");
    const uint32_t length = readBe32(prefix);
    if (length == 0)
        return Parsed<uint32_t>::fail("empty plist message");
    if (length > MaxMessage)
        return Parsed<uint32_t>::fail("plist message too large");
    return Parsed<uint32_t>::ok(length);
}

Parsed<PlistPtr> parseBody(const uint8_t *body, size_t size)
{
    plist_t raw = nullptr;
    if (size >= 8 && std::memcmp(body, "bplist00", 8) == 0) {
        plist_from_bin(reinterpret_cast<const char *>(body), uint32_t(size), &raw);
    } else {
        // XML as a device takes it: after a byte-order mark or white space, with or
        // without the <?xml declaration.
        size_t start = size >= 3 && body[0] == 0xEF && body[1] == 0xBB && body[2] == 0xBF ? 3 : 0;
        while (start < size && (body[start] == ' ' || body[start] == '\t' || body[start] == '\r' || body[start] == '\n'))
            ++start;
        if (start == size || body[start] != '<')
            return Parsed<PlistPtr>::fail("message is neither an XML nor a binary plist");
        plist_from_xml(reinterpret_cast<const char *>(body + start), uint32_t(size - start), &raw);
    }
    PlistPtr dict(raw);
    if (!dict || plist_get_node_type(dict.get()) != PLIST_DICT)
        return Parsed<PlistPtr>::fail("message is not a plist dictionary");
    return Parsed<PlistPtr>::ok(std::move(dict));
}

Bytes encode(plist_t message)
{
    const std::string xml = plistToXml(message);
    Bytes out;
    out.reserve(4 + xml.size());
    appendBe32(out, uint32_t(xml.size()));
    out.insert(out.end(), xml.begin(), xml.end());
    return out;
}

} // namespace plistframe
