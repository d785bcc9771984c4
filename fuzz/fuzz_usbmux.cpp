// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator's usbmuxd request parser.
#include "fuzzentry.h"

#include "usbmuxprotocol.h"

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    const auto header = usbmux::parseHeader(data, size);
    if (!header || size < usbmux::HeaderSize)
        return 0;
    const size_t payload = std::min<size_t>(size - usbmux::HeaderSize, header.value->length - usbmux::HeaderSize);
    usbmux::parseRequest(*header.value, data + usbmux::HeaderSize, payload);
    return 0;
}
