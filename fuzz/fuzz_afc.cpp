// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator's AFC request parser.
#include "fuzzentry.h"

#include "afcprotocol.h"

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    const auto header = afc::parseHeader(data, size);
    if (!header || size < afc::HeaderSize)
        return 0;
    // The arguments: the header data, or the payload when the header data is empty.
    const uint64_t wanted = header.value->headerDataLength() ? header.value->headerDataLength()
                                                              : header.value->payloadLength();
    if (size - afc::HeaderSize < wanted)
        return 0;
    afc::parseRequest(*header.value, data + afc::HeaderSize, static_cast<size_t>(wanted));
    afc::operationName(header.value->operation);
    return 0;
}
