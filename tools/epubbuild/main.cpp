// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// epubbuild SOURCE TARGET: makes the ePub TARGET from SOURCE, a folder holding an unpacked
// book ("mimetype" first, stored, exactly the type; then the rest) or a single-file book,
// copied as it is unless its mimetype entry needs setting right.
#include "operations/epubarchive.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: epubbuild SOURCE TARGET\n"
                    "Makes the ePub file TARGET from SOURCE, a folder holding an unpacked book\n"
                    "or a single ePub file. An existing TARGET is replaced only on success.\n");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: epubbuild SOURCE TARGET\n");
        return 2;
    }
    std::string error;
    if (!packEpub(argv[1], argv[2], &error)) {
        std::fprintf(stderr, "epubbuild: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
