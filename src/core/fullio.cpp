// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/fullio.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

namespace {
// The whole of `data` through `put` (write or send), again after an interrupted call.
template <typename Put>
bool putFull(Put put, const void *data, std::size_t size)
{
    const auto *in = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = put(in, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
} // namespace

bool writeFull(int fd, const void *data, std::size_t size)
{
    return putFull([fd](const char *p, std::size_t n) { return ::write(fd, p, n); }, data, size);
}

bool sendFull(int fd, const void *data, std::size_t size)
{
    return putFull([fd](const char *p, std::size_t n) { return ::send(fd, p, n, MSG_NOSIGNAL); }, data, size);
}

int openRegularFile(const std::string &path, int flags, mode_t mode)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    if (fd < 0)
        return -1;
    struct stat st{};
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::optional<std::string> readRegularFile(const std::string &path, std::size_t limit)
{
    const int fd = openRegularFile(path, O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    bool whole = false;
    char chunk[65536];
    while (bytes.size() <= limit) {
        const ssize_t got = readFull(fd, chunk, sizeof chunk);
        if (got < 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < sizeof chunk) {
            whole = bytes.size() <= limit;
            break;
        }
    }
    ::close(fd);
    return whole ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}
