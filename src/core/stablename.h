// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A file name made from any text (a device's or an app's identifier, a book's path and key):
// 16 hex digits of its FNV-1a hash, the same from one run to the next, so caches find their
// files again.
inline std::string stableName(const std::string &text)
{
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash));
    return out;
}
