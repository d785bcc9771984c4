// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Whole reads and writes on a file descriptor: a call interrupted by a signal, or one that
// moved fewer bytes than asked, is resumed until the request is done. And the one way files
// that someone else controls (a device's folder, a download) are opened: only a regular file.

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>

// The bytes read (fewer than `size` only at the end of the file), or -1 on an error.
ssize_t readFull(int fd, void *buffer, std::size_t size);
// True when every byte was written.
bool writeFull(int fd, const void *data, std::size_t size);
// The same on a socket, without SIGPIPE: a peer that went gives false, not the end of the program.
bool sendFull(int fd, const void *data, std::size_t size);

// Opens `path` (open(2) flags; O_CREAT makes it with `mode`) only when it is a regular file.
// A link as its last component is not followed, and the open never waits: a FIFO would wait
// for a writer and a device node for its hardware. The descriptor (blocking, close-on-exec),
// or -1 with errno set: ELOOP for a link, EISDIR for a folder, EACCES for anything else that
// is not a regular file.
int openRegularFile(const std::string &path, int flags, mode_t mode = 0644);

// The bytes of the regular file at `path` (opened as openRegularFile does); nullopt when it
// cannot be opened or read, or holds more than `limit` bytes.
std::optional<std::string> readRegularFile(const std::string &path, std::size_t limit);
