// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The unpacker: any bytes as an ePub file, unpacked into a fresh folder that nothing may leave.
#include "fuzzentry.h"

#include "operations/epubarchive.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    char dir[] = "/tmp/bookferry-fuzz-unpack-XXXXXX";
    if (!::mkdtemp(dir))
        return 0;
    const std::string archive = std::string(dir) + "/in.epub";
    const std::string out = std::string(dir) + "/out";
    if (FILE *f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    UnpackLimits limits;
    limits.maxTotalBytes = 8u << 20;
    limits.maxEntries = 1000;
    std::string error;
    const bool ok = unpackEpubArchive(archive, out, &error, limits);
    // Whatever happened, the folder holds the archive and at most the unpacked book.
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name != "in.epub" && name != "out")
            __builtin_trap();
    }
    if (!ok && fs::exists(out, ec))
        __builtin_trap(); // a refusal takes back what it wrote
    fs::remove_all(dir, ec);
    return 0;
}
