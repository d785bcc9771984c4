// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Whole reads and writes on a file descriptor: a call interrupted by a signal, or one that
// moved fewer bytes than asked, is resumed until the request is done.

#include <cstddef>
#include <string>
#include <sys/types.h>

// The bytes read (fewer than `size` only at the end of the file), or -1 on an error.
ssize_t readFull(int fd, void *buffer, std::size_t size);
// True when every byte was written.
bool writeFull(int fd, const void *data, std::size_t size);

// Opens `path` for reading only when it is a plain file: a link is not followed and a pipe or a
// device never makes the open wait. -1 (with errno; EINVAL for a file that is not plain) else.
int openPlainFile(const char *path);

enum class WholeRead { Done, Missing, NotPlain, TooLarge, Failed };
// A plain file read whole, when it holds at most `maxBytes`.
WholeRead readWholeFile(const std::string &path, std::size_t maxBytes, std::string &out);
