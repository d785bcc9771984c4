// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The container and package-document readers: any bytes as META-INF/container.xml and as the
// package document.
#include "fuzzentry.h"

#include "operations/bookshelf.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    char path[] = "/tmp/bookferry-fuzz-package-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return 0;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    const std::string package = CatalogueShelf::getcontenfile(path);
    if (package.size() > 1023)
        __builtin_trap();
    StringDictionary values;
    CatalogueShelf::getcontenfilevalues(path, values);
    for (const auto &[key, value] : values)
        if (value.size() > 1023)
            __builtin_trap();
    ::unlink(path);
    return 0;
}
