// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/fullio.h"

#include <cerrno>
#include <fcntl.h>
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

int openPlainFile(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

WholeRead readWholeFile(const std::string &path, std::size_t maxBytes, std::string &out)
{
    out.clear();
    const int fd = openPlainFile(path.c_str());
    if (fd < 0)
        return errno == ENOENT ? WholeRead::Missing : errno == EINVAL || errno == ELOOP ? WholeRead::NotPlain
                                                                                        : WholeRead::Failed;
    struct stat st{};
    WholeRead result = WholeRead::Failed;
    if (::fstat(fd, &st) == 0 && static_cast<unsigned long long>(st.st_size) > maxBytes) {
        result = WholeRead::TooLarge;
    } else if (::fstat(fd, &st) == 0) {
        // One byte more than the bound tells a file that grew meanwhile.
        out.resize(static_cast<std::size_t>(st.st_size) + 1);
        const ssize_t n = readFull(fd, out.data(), out.size());
        if (n >= 0 && static_cast<std::size_t>(n) <= maxBytes) {
            out.resize(static_cast<std::size_t>(n));
            result = WholeRead::Done;
        } else {
            result = n < 0 ? WholeRead::Failed : WholeRead::TooLarge;
            out.clear();
        }
    }
    ::close(fd);
    return result;
}
