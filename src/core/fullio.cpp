// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/fullio.h"

#include <cerrno>
#include <unistd.h>

ssize_t readFull(int fd, void *buffer, std::size_t size)
{
    auto *out = static_cast<char *>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool writeFull(int fd, const void *data, std::size_t size)
{
    const auto *in = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, in, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
