// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include <filesystem>

namespace fs = std::filesystem;

class TreeCopyTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        link = loadIPhone::initDevice(nullptr);
        ASSERT_NE(link, nullptr);
    }
};

TEST_F(TreeCopyTest, UploadOfABookFolderKeepsItsTreeAndHiddenFiles)
{
    device.folder("/Books");
    userDataIphone *d = openDevice();
    writeWholeFile(local.file("MyBook/mimetype"), "application/epub+zip");
    writeWholeFile(local.file("MyBook/META-INF/container.xml"), "<container/>");
    writeWholeFile(local.file("MyBook/OEBPS/.hidden"), "hidden");
    fs::create_directories(local.file("MyBook/OEBPS/empty"));
    writeWholeFile(local.file("loose.txt"), "loose");

    EXPECT_EQ(link->copyTheseFiles({local.file("MyBook"), local.file("loose.txt"), local.file("missing")}, d), 2);
    EXPECT_EQ(readWholeFile(device.local("/Books/MyBook/META-INF/container.xml")), "<container/>");
    EXPECT_EQ(readWholeFile(device.local("/Books/MyBook/mimetype")), "application/epub+zip");
    EXPECT_EQ(readWholeFile(device.local("/Books/MyBook/OEBPS/.hidden")), "hidden");
    EXPECT_TRUE(fs::is_directory(device.local("/Books/MyBook/OEBPS/empty")));
    EXPECT_EQ(readWholeFile(device.local("/Books/loose.txt")), "loose");
    EXPECT_EQ(link->copyTheseFiles({}, d), 0);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(TreeCopyTest, UploadFailuresCountAsFailures)
{
    device.folder("/Books");
    userDataIphone *d = openDevice();
    writeWholeFile(local.file("big.bin"), std::string(2621440, 'b')); // 2.5 MiB
    auto &faults = DeviceFaultInjector::instance();
    EXPECT_EQ(link->copyThisFile(local.file("big.bin"), local.path(), d), 1);
    EXPECT_EQ(faults.calls("AFCFileRefWrite"), 3u); // pieces of at most 1 MiB
    EXPECT_EQ(fs::file_size(device.local("/Books/big.bin")), 2621440u);

    faults.reset();
    faults.failOnCall("AFCFileRefWrite", 2);
    EXPECT_EQ(link->copyThisFile(local.file("big.bin"), local.path(), d), 0);
    faults.reset();
    faults.failAlways("AFCFileRefClose");
    EXPECT_EQ(link->copyThisFile(local.file("big.bin"), local.path(), d), 0);
    faults.reset();
    EXPECT_EQ(link->copyThisFile(local.file("absent"), local.path(), d), 0);

    writeWholeFile(local.file("Book2/a"), "a");
    faults.failOnCall("AFCDirectoryCreate", 1);
    EXPECT_EQ(link->drillIntoSubdirectory(local.file("Book2"), d), 0);
    EXPECT_FALSE(fs::exists(device.local("/Books/Book2")));

    // Each upload starts a fresh report; a failed write counts although the walk went on.
    faults.reset();
    writeWholeFile(local.file("Up/one"), "1");
    writeWholeFile(local.file("Up/two"), "2");
    writeWholeFile(local.file("Up/empty"), "");
    faults.failOnCall("AFCFileRefWrite", 1);
    EXPECT_EQ(link->copyTheseFiles({local.file("Up")}, d), 1);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 1);
    EXPECT_TRUE(link->lastTreeCopy().emptyFiles.empty());
    EXPECT_TRUE(fs::exists(device.local("/Books/Up/empty")));
    faults.reset();
    EXPECT_EQ(link->copyTheseFiles({local.file("Up")}, d), 1);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
}

TEST_F(TreeCopyTest, DownloadMirrorsABookFolder)
{
    device.file("/Books/ABCD.epub/mimetype", "application/epub+zip")
        .file("/Books/ABCD.epub/META-INF/container.xml", "<container/>")
        .file("/Books/ABCD.epub/OEBPS/.hidden", "hidden")
        .file("/Books/ABCD.epub/OEBPS/empty.css", "")
        .file("/Books/Purchases/ABCD.epub/other", "purchased");
    userDataIphone *d = openDevice();
    auto created = link->saveBooksFromPhoneToLocalPath(local.path(), "ABCD.epub", false, d);
    ASSERT_TRUE(created);
    EXPECT_EQ(*created, (std::vector<std::string>{local.file("ABCD.epub")}));
    EXPECT_EQ(readWholeFile(local.file("ABCD.epub/META-INF/container.xml")), "<container/>");
    EXPECT_EQ(readWholeFile(local.file("ABCD.epub/OEBPS/.hidden")), "hidden");
    EXPECT_EQ(readWholeFile(local.file("ABCD.epub/mimetype")), "application/epub+zip");
    // A file of size 0 is not downloaded; the report names it.
    EXPECT_FALSE(fs::exists(local.file("ABCD.epub/OEBPS/empty.css")));
    EXPECT_TRUE(logged("Error: zero size for file at path /Books/ABCD.epub/OEBPS/empty.css"));
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
    EXPECT_EQ(link->lastTreeCopy().emptyFiles,
              std::vector<std::string>{local.file("ABCD.epub/OEBPS/empty.css")});
    EXPECT_FALSE(fs::exists(local.file("ABCD.epub/other")));

    // A file that could not be read is counted.
    DeviceFaultInjector::instance().reset();
    DeviceFaultInjector::instance().failOnCall("AFCFileRefRead", 1);
    TempDir again;
    ASSERT_TRUE(link->saveBooksFromPhoneToLocalPath(again.path(), "ABCD.epub", false, d));
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 1);
    EXPECT_EQ(link->lastTreeCopy().emptyFiles.size(), 1u);
    DeviceFaultInjector::instance().reset();

    TempDir bought;
    auto purchased = link->saveBooksFromPhoneToLocalPath(bought.path(), "ABCD.epub", true, d);
    ASSERT_TRUE(purchased);
    EXPECT_EQ(readWholeFile(bought.file("ABCD.epub/other")), "purchased");
    EXPECT_EQ(link->saveBooksFromPhoneToLocalPath(local.path(), "NONE.epub", false, d), std::vector<std::string>{});
    EXPECT_EQ(link->saveBooksFromPhoneToLocalPath(local.path(), "..", false, d), std::vector<std::string>{});
    fs::remove_all(device.local("/Books/Purchases"));
    EXPECT_EQ(link->saveBooksFromPhoneToLocalPath(local.path(), "ABCD.epub", true, d), std::nullopt);
}


TEST_F(TreeCopyTest, DownloadOfAFileIsChunkedAndAtomic)
{
    const std::string content(2621440, 'q');
    device.file("/Books/BOOK.pdf", content);
    userDataIphone *d = openDevice();
    auto &faults = DeviceFaultInjector::instance();
    EXPECT_EQ(link->copyFileAtRemotePath("/Books/BOOK.pdf", local.path(), d), 0);
    EXPECT_EQ(faults.calls("AFCFileRefRead"), 3u);
    EXPECT_EQ(readWholeFile(local.file("BOOK.pdf")), content);

    // A read failing half-way leaves the earlier copy as it was.
    writeWholeFile(local.file("BOOK.pdf"), "earlier");
    faults.reset();
    faults.failOnCall("AFCFileRefRead", 2);
    EXPECT_EQ(link->copyFileAtRemotePath("/Books/BOOK.pdf", local.path(), d), 1);
    EXPECT_TRUE(logged("Failed to read /Books/BOOK.pdf"));
    EXPECT_EQ(readWholeFile(local.file("BOOK.pdf")), "earlier");
    EXPECT_EQ(fs::directory_iterator(local.path()) == fs::directory_iterator(), false);
    size_t files = 0;
    for ([[maybe_unused]] auto &e : fs::directory_iterator(local.path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary file left behind

    faults.reset();
    EXPECT_EQ(link->copyFileAtRemotePath("/Books/none", local.path(), d), 1);
    EXPECT_TRUE(logged("Error: could not open file info at path /Books/none"));
    faults.failAlways("AFCFileRefOpen");
    EXPECT_EQ(link->copyFileAtRemotePath("/Books/BOOK.pdf", local.path(), d), 1);
    EXPECT_TRUE(logged("Error: could not open /Books/BOOK.pdf for reading"));
    faults.reset();
    EXPECT_EQ(link->copyFileAtRemotePath("/Books/BOOK.pdf", local.file("no/such/dir"), d), 1);
    EXPECT_TRUE(logged("Could not write local file " + local.file("no/such/dir/BOOK.pdf")));

    EXPECT_EQ(link->mirrorDirectoryAtRemotePath("/Books/missing", local.path(), d), 1);
    EXPECT_TRUE(logged("Could not open base directory."));
}

// Clearing the go-on flag stops a book part way: the upload and the download end within a few
// files of the stop, report it, and leave no partial file in the local folder.
TEST_F(TreeCopyTest, AStopPartWayEndsTheBookWithinAFewFiles)
{
    constexpr int kFiles = 200, kStopAfter = 10, kSlack = 4;
    device.folder("/Books");
    userDataIphone *d = openDevice();
    std::atomic_bool goOn{true};
    int handed = 0;
    const int result = link->copyFolderAsWritten(
        local.file("Up"), d,
        [&](const TreeCopier::FolderFeed &feed) {
            feed("", true);
            for (int i = 0; i < kFiles; ++i) {
                writeWholeFile(local.file("Up/f" + std::to_string(i)), "x");
                feed("f" + std::to_string(i), false);
                if (++handed == kStopAfter)
                    goOn = false;
            }
            return true;
        },
        &goOn);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(link->lastTreeCopy().stopped);
    const auto uploaded =
        std::distance(fs::directory_iterator(device.local("/Books/Up")), fs::directory_iterator());
    EXPECT_GE(uploaded, kStopAfter - 1);
    EXPECT_LE(uploaded, kStopAfter + kSlack);

    for (int i = 0; i < kFiles; ++i)
        device.file("/Books/DOWN.epub/f" + std::to_string(i), "y");
    goOn = true;
    std::atomic_int downloaded{0};
    TempDir into;
    ASSERT_TRUE(link->saveBooksFromPhoneToLocalPath(
        into.path(), "DOWN.epub", false, d,
        [&](const std::string &) {
            if (++downloaded == kStopAfter)
                goOn = false;
        },
        &goOn));
    EXPECT_TRUE(link->lastTreeCopy().stopped);
    EXPECT_GT(link->lastTreeCopy().failedFiles, 0);
    EXPECT_LE(downloaded.load(), kStopAfter + kSlack);
    for (const auto &entry : fs::recursive_directory_iterator(into.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".download-", 0), std::string::npos) << entry.path();

    // Without a stop, the same download is whole and says nothing of one.
    goOn = true;
    TempDir whole;
    ASSERT_TRUE(link->saveBooksFromPhoneToLocalPath(whole.path(), "DOWN.epub", false, d, {}, &goOn));
    EXPECT_FALSE(link->lastTreeCopy().stopped);
    EXPECT_EQ(link->lastTreeCopy().failedFiles, 0);
}
