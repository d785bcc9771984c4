// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The tree copies over a USB link, where files move on extra file-service connections.
#include "device/backend/devicefaultinjector.h"
#include "usblinktest.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class TreeLanesTest : public UsbLinkTest
{
protected:
    std::string deviceDir;

    // The emulator with one device, the link up and its survey done.
    userDataIphone *start()
    {
        deviceDir = makeFolderDevice(tmp.file("dev"), FolderDeviceDescription{});
        fs::create_directories(deviceDir + "/root/Books");
        return startLink({deviceDir});
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
    userDataIphone *d = start();
    ASSERT_NE(d, nullptr);
    const auto files = makeBook(tmp.file("local/BOOK.epub"));
    const uint64_t servicesBefore = emulator.counter("lockdown.StartService");

    EXPECT_EQ(link->copyTheseFiles({tmp.file("local/BOOK.epub")}, d), 1);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
    for (const auto &[name, content] : files)
        EXPECT_EQ(readWholeFile(deviceDir + "/root/Books/BOOK.epub/" + name), content) << name;
    // The file service and the notification proxy, and the extra connections (opened by the survey).
    EXPECT_GE(servicesBefore, 3u) << "the files went through extra connections";

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
    // The connections stay with the device from one copy to the next.
    EXPECT_EQ(emulator.counter("lockdown.StartService"), servicesBefore);
}

TEST_F(TreeLanesTest, ASessionClosesTheConnectionsItsCopiesOpened)
{
    ASSERT_NE(start(), nullptr);
    makeBook(tmp.file("local/BOOK.epub"));
    const uint64_t started = emulator.counter("lockdown.StartService");
    const uint64_t ended = emulator.counter("ended.afc");
    {
        const std::shared_ptr<DeviceSession> session = link->openSession();
        ASSERT_TRUE(session);
        EXPECT_EQ(session->treeCopier().copyTheseFiles({tmp.file("local/BOOK.epub")}, session->data()), 1);
        EXPECT_EQ(session->treeCopier().lastTreeCopy().failedFiles, 0);
    }
    const uint64_t opened = emulator.counter("lockdown.StartService") - started;
    EXPECT_GT(opened, 0u) << "the copy went over connections of its own";
    EXPECT_TRUE(emulator.waitForCounter("ended.afc", ended + opened));
}

TEST_F(TreeLanesTest, ADownloadRecoversAnUnansweredEntryAndReportsAnUnlistedFolder)
{
    userDataIphone *d = start();
    ASSERT_NE(d, nullptr);
    const auto files = makeBook(tmp.file("local/BOOK.epub"));
    ASSERT_EQ(link->copyTheseFiles({tmp.file("local/BOOK.epub")}, d), 1);
    auto download = [&](const std::string &operation, unsigned long call) {
        DeviceFaultInjector::instance().reset();
        DeviceFaultInjector::instance().failOnCall(operation, call);
        const std::string out = tmp.file("out-" + operation + std::to_string(call));
        fs::create_directories(out);
        EXPECT_TRUE(link->saveBooksFromPhoneToLocalPath(out, "BOOK.epub", false, d));
        EXPECT_EQ(DeviceFaultInjector::instance().failures(), 1u);
        DeviceFaultInjector::instance().reset();
        return out + "/BOOK.epub/";
    };
    // An entry whose file information is not answered takes the folder test and, as a
    // file, asks again: nothing is missed.
    for (unsigned long call : {1ul, 3ul}) {
        const std::string out = download("AFCFileInfoOpen", call);
        EXPECT_EQ(link->lastTreeCopy().failedFiles, 0) << call;
        for (const auto &[name, content] : files) {
            if (!content.empty()) {
                EXPECT_EQ(readWholeFile(out + name), content) << name;
            }
        }
    }
    // A sub-folder that cannot be listed is counted; what did arrive is whole.
    const std::string out = download("AFCDirectoryOpen", 3);
    EXPECT_GE(link->lastTreeCopy().failedFiles, 1);
    int missing = 0;
    for (const auto &[name, content] : files) {
        if (!fs::exists(out + name))
            ++missing;
        else
            EXPECT_EQ(readWholeFile(out + name), content) << name;
    }
    EXPECT_GT(missing, 0);
}

} // namespace
