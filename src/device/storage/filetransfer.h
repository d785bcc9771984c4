// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The chunked copies behind get_file / put_file and the progress transfers of loadIPhone.
// `chunkDone` (may be empty) hears the byte count of every chunk written.

#include "device/storage/userdataiphone.h"

#include <cstddef>
#include <functional>

using ChunkDone = std::function<void(size_t bytes)>;

int copyFromDevice(userDataIphone *data, const char *localpath, const char *remotepath, const ChunkDone &chunkDone);
int copyToDevice(userDataIphone *data, const char *localpath, const char *remotepath, const ChunkDone &chunkDone);
