// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator's lockdown (and notification proxy) message framing: a length, then a plist.
#include "fuzzentry.h"

#include "plistframing.h"

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const auto length = plistframe::parseLength(data, 4);
    if (!length)
        return 0;
    const size_t body = std::min<size_t>(size - 4, *length.value);
    plistframe::parseBody(data + 4, body);
    return 0;
}
