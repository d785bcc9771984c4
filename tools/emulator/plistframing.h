// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The property-list service framing shared by lockdownd and the notification proxy:
// a 4-byte big-endian length, then an XML or binary plist.

#include "wire.h"

namespace plistframe {

constexpr uint32_t MaxMessage = 4u << 20;

// The body length announced by a 4-byte prefix; refuses 0 and anything above MaxMessage.
Parsed<uint32_t> parseLength(const uint8_t *prefix, size_t size);
// A body must be a plist dictionary: binary, or XML (a leading byte-order mark, white space
// and a missing <?xml declaration are all taken).
Parsed<PlistPtr> parseBody(const uint8_t *body, size_t size);
// Length prefix and XML body in one buffer, so each message goes out in one write.
Bytes encode(plist_t message);

} // namespace plistframe
