// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The tree copies over a USB link, where files move on extra file-service connections.
#include "emulatorharness.h"
#include "imobiledevicebackend.h"
#include "loadiphone.h"
#include "mainqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class TreeLanesTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    std::string deviceDir;
    std::unique_ptr<loadIPhone> link;
    std::atomic_bool surveyed{false};
    const int tag = 0;

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&tag);
        link.reset();
        setDeviceBackend(nullptr);
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }

    // The emulator with one device, the link up and its survey done.
    userDataIphone *start(const std::vector<std::string> &options)
    {
        deviceDir = makeFolderDevice(tmp.file("dev"), FolderDeviceSpec{});
        fs::create_directories(deviceDir + "/root/Books");
        std::vector<std::string> args = options;
        args.push_back(deviceDir);
        if (!emulator.start(args))
            return nullptr;
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
        std::string error;
        setDeviceBackend(makeIMobileDeviceBackend("", &error));
        NotificationCenter::defaultCenter().addObserver(&tag, DeviceInfoNotification,
                                                        [this](const Notification &) { surveyed = true; });
        link.reset(loadIPhone::initDevice(nullptr));
        if (!link || !processMainEventsUntil([this] { return surveyed.load(); }, std::chrono::seconds(60)))
            return nullptr;
        return link->user_data();
    }

    // A book folder: many small files, an empty one and one larger than a transfer piece.
    std::map<std::string, std::string> makeBook(const std::string &dir)
    {
        std::map<std::string, std::string> files;
        for (int i = 0; i < 30; ++i)
            files["OEBPS/text/ch" + std::to_string(i) + ".xhtml"] = "<p>chapter " + std::to_string(i) + "</p>";
        files["mimetype"] = "application/epub+zip";
        files["OEBPS/empty.css"] = "";
        std::string big(2 * 1024 * 1024 + 77, '\0');
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = char((i * 13 + i / 1000) & 0xff);
        files["OEBPS/images/big.jpg"] = big;
        for (const auto &[name, content] : files)
            writeWholeFile(dir + "/" + name, content);
        return files;
    }
};

TEST_F(TreeLanesTest, UploadAndDownloadMoveEveryFileWholeOverSeveralConnections)
{
    userDataIphone *d = start({});
    ASSERT_NE(d, nullptr);
    const auto files = makeBook(tmp.file("local/BOOK.epub"));
    const uint64_t servicesBefore = emulator.counter("lockdown.StartService");

    EXPECT_EQ(link->copyTheseFiles({tmp.file("local/BOOK.epub")}, d), 1);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
    for (const auto &[name, content] : files)
        EXPECT_EQ(readWholeFile(deviceDir + "/root/Books/BOOK.epub/" + name), content) << name;
    const uint64_t lanesStarted = emulator.counter("lockdown.StartService") - servicesBefore;
    EXPECT_GE(lanesStarted, 1u) << "the files went through extra connections";

    fs::create_directories(tmp.file("out"));
    auto copies = link->saveBooksFromPhoneToLocalPath(tmp.file("out"), "BOOK.epub", false, d);
    ASSERT_TRUE(copies);
    EXPECT_EQ(*copies, std::vector<std::string>{tmp.file("out/BOOK.epub")});
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
    EXPECT_EQ(link->lastTreeCopy().emptyFiles, std::vector<std::string>{tmp.file("out/BOOK.epub/OEBPS/empty.css")});
    for (const auto &[name, content] : files) {
        if (content.empty())
            EXPECT_FALSE(fs::exists(tmp.file("out/BOOK.epub/" + name)));
        else
            EXPECT_EQ(readWholeFile(tmp.file("out/BOOK.epub/" + name)), content) << name;
    }
    // The connections stay with the device for the next copy.
    EXPECT_EQ(emulator.counter("lockdown.StartService") - servicesBefore, lanesStarted);
}

TEST_F(TreeLanesTest, AFailureOnAnyConnectionIsReported)
{
    userDataIphone *d = start({"--fail-afc", "FILE_WRITE@7", "--fail-afc", "FILE_READ@3"});
    ASSERT_NE(d, nullptr);
    makeBook(tmp.file("local/BOOK.epub"));
    EXPECT_EQ(link->copyTheseFiles({tmp.file("local/BOOK.epub")}, d), 1);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 1);

    fs::create_directories(tmp.file("out"));
    ASSERT_TRUE(link->saveBooksFromPhoneToLocalPath(tmp.file("out"), "BOOK.epub", false, d));
    EXPECT_GE(link->lastTreeCopy().failedFiles, 1);
}

} // namespace
