// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Every saved input of the fuzz targets (fuzz/corpus/<target>/: the seeds and each input that
// once made a target fail) is fed again to the same code in the ordinary build.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

// Two programs: the book readers, and the emulator's parsers (the two link libraries that
// cannot share one program).
#ifdef FUZZ_REPLAY_EMULATOR
extern "C" int fuzz_usbmux(const uint8_t *data, size_t size);
extern "C" int fuzz_lockdown(const uint8_t *data, size_t size);
extern "C" int fuzz_afc(const uint8_t *data, size_t size);
#else
extern "C" int fuzz_catalogue(const uint8_t *data, size_t size);
extern "C" int fuzz_package(const uint8_t *data, size_t size);
extern "C" int fuzz_unpack(const uint8_t *data, size_t size);
#endif

namespace {
struct Target
{
    const char *name;
    int (*entry)(const uint8_t *, size_t);
};

// Printed by its name, so the listed test names stay the same from run to run.
void PrintTo(const Target &target, std::ostream *out)
{
    *out << target.name;
}

class FuzzReplay : public ::testing::TestWithParam<Target>
{
};
} // namespace

TEST_P(FuzzReplay, SavedInputsRunCleanly)
{
    const fs::path dir = fs::path(FUZZ_CORPUS_DIR) / GetParam().name;
    std::size_t inputs = 0;
    for (const auto &file : fs::directory_iterator(dir)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(file.path().string());
        EXPECT_EQ(GetParam().entry(data.data(), data.size()), 0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0u) << "no saved inputs in " << dir;
}

#ifdef FUZZ_REPLAY_EMULATOR
INSTANTIATE_TEST_SUITE_P(Emulator, FuzzReplay,
                         ::testing::Values(Target{"usbmux", fuzz_usbmux}, Target{"lockdown", fuzz_lockdown},
                                           Target{"afc", fuzz_afc}),
                         [](const auto &info) { return std::string(info.param.name); });
#else
INSTANTIATE_TEST_SUITE_P(Books, FuzzReplay,
                         ::testing::Values(Target{"catalogue", fuzz_catalogue}, Target{"package", fuzz_package},
                                           Target{"unpack", fuzz_unpack}),
                         [](const auto &info) { return std::string(info.param.name); });
#endif
