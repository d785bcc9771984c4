// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include "device/storage/devicefiles.h"

#include <filesystem>

namespace fs = std::filesystem;

using FilesTest = DeviceTest;

namespace {
std::string pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}
} // namespace

TEST_F(FilesTest, TransfersMoveInChunksOf102400Bytes)
{
    userDataIphone *d = openDevice();
    auto &faults = DeviceFaultInjector::instance();
    for (const size_t size : {size_t(1), size_t(102400), size_t(102401), size_t(350000)}) {
        SCOPED_TRACE(size);
        const std::string content = pattern(size);
        writeWholeFile(local.file("up"), content);
        faults.reset();
        EXPECT_TRUE(stdoutLines([&] { EXPECT_EQ(put_file(d, local.file("up").c_str(), "/f"), 0); }).empty());
        EXPECT_EQ(faults.calls("AFCFileRefWrite"), (size + 102399) / 102400);
        EXPECT_EQ(readWholeFile(device.local("/f")), content);
        EXPECT_EQ(get_file_size(d->conn, "/f"), size);

        faults.reset();
        EXPECT_EQ(get_file(d, local.file("down").c_str(), "/f"), 0);
        // One read per chunk, and one more that finds the end.
        EXPECT_EQ(faults.calls("AFCFileRefRead"), (size + 102399) / 102400 + 1);
        EXPECT_EQ(readWholeFile(local.file("down")), content);
    }
}

TEST_F(FilesTest, EmptyAndMissingFilesFailWithTheirLines)
{
    device.file("/empty", "");
    userDataIphone *d = openDevice();
    writeWholeFile(local.file("empty"), "");

    EXPECT_TRUE(stdoutLines([&] { EXPECT_EQ(get_file(d, local.file("down").c_str(), "/empty"), -1); }).empty());
    EXPECT_TRUE(fs::exists(local.file("down")));
    EXPECT_EQ(fs::file_size(local.file("down")), 0u);

    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(put_file(d, local.file("empty").c_str(), "/up"), -1); }),
              (std::vector<std::string>{"putfile: Cannot write file with size !"}));
    EXPECT_TRUE(fs::exists(device.local("/up")));

    // The device file is opened first, so it exists (empty) even when the local file is missing.
    const std::string missing = local.file("missing");
    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(put_file(d, missing.c_str(), "/up2"), -1); }),
              (std::vector<std::string>{"putfile: Failed to open local file " + missing + " !"}));
    EXPECT_EQ(fs::file_size(device.local("/up2")), 0u);

    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(get_file(d, local.file("x").c_str(), "/nothing"), -1); }),
              (std::vector<std::string>{"getfile: Failed to open remote file !"}));
    const std::string badLocal = local.file("no/such/folder/x");
    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(get_file(d, badLocal.c_str(), "/empty"), -1); }),
              (std::vector<std::string>{"getfile: Failed to open local file: " + badLocal + " !"}));
    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(get_file_size(d->conn, "/nothing"), 0u); }),
              (std::vector<std::string>{"AFCFileInfoOpen: could not open file /nothing !"}));
    EXPECT_FALSE(isDirectory("/nothing", d));
    EXPECT_EQ(n_fileExists("/nothing", d), -1);
    EXPECT_EQ(n_fileExists("/empty", d), 0);
}

TEST_F(FilesTest, AnInterruptedTransferIsAFailure)
{
    userDataIphone *d = openDevice();
    writeWholeFile(local.file("up"), pattern(300000));
    auto &faults = DeviceFaultInjector::instance();
    faults.failOnCall("AFCFileRefWrite", 2);
    EXPECT_EQ(put_file(d, local.file("up").c_str(), "/f"), -1);
    EXPECT_EQ(faults.calls("AFCFileRefWrite"), 2u);

    writeWholeFile(device.local("/g"), pattern(300000));
    faults.reset();
    faults.failOnCall("AFCFileRefRead", 2);
    EXPECT_EQ(get_file(d, local.file("down").c_str(), "/g"), -1);
    EXPECT_EQ(fs::file_size(local.file("down")), 102400u);

    faults.reset();
    faults.failAlways("AFCFileRefClose");
    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(put_file(d, local.file("up").c_str(), "/f"), -1); }),
              (std::vector<std::string>{"putfile: Failed to close remote file!"}));
    EXPECT_EQ(stdoutLines([&] { EXPECT_EQ(get_file(d, local.file("down").c_str(), "/g"), -1); }),
              (std::vector<std::string>{"getfile: Failed to close remote file "}));
}

TEST_F(FilesTest, RmdirRemovesTreesAndStopsAtTheFirstFailure)
{
    device.file("/Books/ABCD.epub/mimetype", "m")
        .file("/Books/ABCD.epub/META-INF/container.xml", "c")
        .file("/Books/ABCD.epub/OEBPS/a.xhtml", "a")
        .file("/Books/ABCD.epub/OEBPS/b.xhtml", "b")
        .file("/Books/plain", "p");
    userDataIphone *d = openDevice();
    EXPECT_EQ(n_rmdir("/Books/plain", d), 0);
    EXPECT_FALSE(fs::exists(device.local("/Books/plain")));

    auto &faults = DeviceFaultInjector::instance();
    faults.reset();
    faults.failOnCall("AFCRemovePath", 3);
    EXPECT_EQ(n_rmdir("/Books/ABCD.epub/", d), -1);
    EXPECT_TRUE(fs::exists(device.local("/Books/ABCD.epub")));
    // Children go first, in listing order: what went before the failure stays gone.
    EXPECT_FALSE(fs::exists(device.local("/Books/ABCD.epub/META-INF")));
    EXPECT_TRUE(fs::exists(device.local("/Books/ABCD.epub/OEBPS/b.xhtml")));

    faults.reset();
    EXPECT_EQ(n_rmdir("/Books/ABCD.epub/", d), 0);
    EXPECT_FALSE(fs::exists(device.local("/Books/ABCD.epub")));
    EXPECT_EQ(n_rmdir("/Books/ABCD.epub", d), -1);
    EXPECT_EQ(n_mkdir("/Books/New", d), 0);
    EXPECT_EQ(dirExists("/Books/New", d), 0);
    EXPECT_TRUE(isDirectory("/Books/New", d));
}
