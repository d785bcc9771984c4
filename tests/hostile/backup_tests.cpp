// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The catalogue safety net: a copy of the device's catalogue before every change, the newest
// twenty kept, and a restore that puts one back without naming books the device lost.
#include "hostiledevice.h"

#include "core/scratch.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "operations/cataloguebackup.h"
#include "operations/cataloguerestore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
const char *const kOneBook = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>Books</key>"
                             "<array><dict><key>Name</key><string>Good</string><key>Path</key><string>GOOD.epub</string>"
                             "<key>User Item</key><true/></dict></array></dict>\n</plist>\n";

std::string import(HostileDevice &device, int n)
{
    const std::string file = device.inputFile("book" + std::to_string(n) + ".epub");
    EXPECT_TRUE(EpubBuilder::validBook("Book " + std::to_string(n), "Writer").write(file));
    const BookOperationResult r = device.addEPUBToDevice(file);
    EXPECT_TRUE(r.done()) << r.message;
    return r.detail;
}
} // namespace

TEST(CatalogueBackups, EveryChangeKeepsTheCatalogueBeforeItAndTheNewestTwentyStay)
{
    HostileDevice device(kOneBook);
    device.addBookFolder("GOOD.epub", "Good");
    ASSERT_TRUE(device.attach());
    const std::string deviceId = "b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0";

    import(device, 0);
    std::vector<CatalogueBackup> backups = listCatalogueBackups(deviceId);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(readWholeFile(backups[0].path), kOneBook) << "the device's file as it was, byte for byte";
    EXPECT_EQ(fs::path(backups[0].path).parent_path(), fs::path(catalogueBackupDir(deviceId)));

    for (int n = 1; n < 22; ++n)
        import(device, n);
    backups = listCatalogueBackups(deviceId);
    ASSERT_EQ(backups.size(), kCatalogueBackupsKept);
    // Newest first: the one before the last import held the first book and 21 imports.
    EXPECT_EQ(Catalogue::load(backups.front().path).bookCount(), 22u);
    EXPECT_EQ(Catalogue::load(backups.back().path).bookCount(), 3u);
    for (std::size_t i = 1; i < backups.size(); ++i)
        EXPECT_GE(backups[i - 1].created, backups[i].created);
    EXPECT_EQ(listCatalogueBackups().size(), kCatalogueBackupsKept) << "every device's backups";

    // A deletion is a change too.
    epub record;
    record.setMediaPcPath("GOOD.epub");
    ASSERT_TRUE(device.deleteMediaFromDevice(record).done());
    EXPECT_EQ(Catalogue::load(listCatalogueBackups(deviceId).front().path).bookCount(), 23u);
}

TEST(CatalogueBackups, RestorePutsACopyBackWithoutBooksThatAreGone)
{
    HostileDevice device(kOneBook);
    device.addBookFolder("GOOD.epub", "Good");
    ASSERT_TRUE(device.attach());
    const std::string first = import(device, 1);
    const std::string second = import(device, 2);
    const std::vector<CatalogueBackup> backups = listCatalogueBackups();
    ASSERT_EQ(backups.size(), 2u);
    const std::string withFirst = backups.front().path; // GOOD and the first import

    // The first book's folder is gone since: the copy comes back without it.
    fs::remove_all(device.deviceFile("/Books/" + first));
    const std::string before = device.catalogueBytes();
    const std::shared_ptr<DeviceSession> session = device.library().openSession();
    ASSERT_TRUE(session);
    BookOperationResult r = restoreCatalogueBackup(withFirst, session->data());
    ASSERT_TRUE(r.done()) << r.message;
    EXPECT_NE(r.detail.find(first), std::string::npos) << r.detail;
    const Catalogue restored = device.deviceCatalogue();
    ASSERT_EQ(restored.bookCount(), 1u);
    EXPECT_EQ(entryString(restored.bookAt(0), BookKey::Path), "GOOD.epub");
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Books.plist", "b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0")), device.catalogueBytes()) << "the working copy follows";
    EXPECT_EQ(readWholeFile(listCatalogueBackups().front().path), before) << "the replaced catalogue is kept too";

    // Not a catalogue, or another device's copy: refused, nothing changes.
    const std::string now = device.catalogueBytes();
    writeWholeFile(device.inputFile("broken.plist"), "<plist><dict><key>Books</key><string>x</string></dict></plist>");
    EXPECT_TRUE(restoreCatalogueBackup(device.inputFile("broken.plist"), session->data()).failed());
    const std::string other = catalogueBackupDir("another-device") + "/Books-20260101-000000-000.plist";
    fs::create_directories(fs::path(other).parent_path());
    fs::copy_file(withFirst, other);
    r = restoreCatalogueBackup(other, session->data());
    EXPECT_TRUE(r.failed());
    EXPECT_NE(r.message.find("another device"), std::string::npos) << r.message;
    EXPECT_EQ(device.catalogueBytes(), now);
    EXPECT_EQ(device.strays({"GOOD.epub", second}), std::vector<std::string>());
}

TEST(CatalogueBackups, NoChangeWithoutACopy)
{
    HostileDevice device(kOneBook);
    device.addBookFolder("GOOD.epub", "Good");
    ASSERT_TRUE(device.attach());
    // The data folder cannot be made: a file stands in its way.
    writeWholeFile(device.inputFile("in-the-way"), "x");
    ::setenv("BOOKFERRY_DATA_DIR", device.inputFile("in-the-way").c_str(), 1);
    const std::string file = device.inputFile("new.epub");
    ASSERT_TRUE(EpubBuilder::validBook("New", "Writer").write(file));
    const BookOperationResult r = device.addEPUBToDevice(file);
    EXPECT_TRUE(r.failed());
    EXPECT_NE(r.message.find("backup"), std::string::npos) << r.message;
    EXPECT_EQ(device.catalogueBytes(), kOneBook);
    EXPECT_EQ(device.strays({"GOOD.epub"}), std::vector<std::string>());
}
