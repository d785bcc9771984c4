// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstdint>
#include <string>

// Keeps a cache folder under `limit` bytes: its files (in nested folders too) are removed,
// those written or marked used longest ago first, until the rest fit. A file that cannot be
// read or removed is passed over.
void trimCacheFolder(const std::string &folder, uint64_t limit);
