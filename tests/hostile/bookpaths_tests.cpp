// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// What a catalogue "Path" and the device's entries may lead a deletion or an export to: only
// ever one book folder or book file, never the catalogue, the purchases or a loop.
#include "hostiledevice.h"

#include "device/backend/devicefaultinjector.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "operations/epubarchive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string entry(const std::string &name, const std::string &path, bool userItem)
{
    return "<dict><key>Name</key><string>" + name + "</string><key>Path</key><string>" + path +
           "</string><key>User Item</key>" + (userItem ? "<true/>" : "<false/>") + "</dict>";
}

std::string catalogue(const std::string &entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>Books</key><array>" +
           entries + "</array></dict>\n</plist>\n";
}

// Every file below `dir` with its bytes, to tell that nothing changed.
std::map<std::string, std::string> contents(const std::string &dir)
{
    std::map<std::string, std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        out[fs::relative(e.path(), dir).string()] = e.is_regular_file() ? readWholeFile(e.path()) : "(folder)";
    return out;
}
} // namespace

// User items whose "Path" names the catalogue, the purchases, the books folder itself,
// something hidden, or the folder of a book the user did not add: each is refused with its
// own message, and nothing on the device or in the export folder changes.
TEST(HostilePaths, ADeletionOrExportTouchesOnlyWhatAPathMayName)
{
    const std::vector<std::string> paths = {"Purchases", "Books.plist", "", ".", "purchases",
                                            ".Books.plist.upload", "LIBR.epub", "BOOKS.PLIST"};
    std::string entries = entry("Library", "LIBR.epub", false);
    for (const std::string &path : paths)
        entries += entry("Bad " + path, path, true);
    HostileDevice device(catalogue(entries));
    device.addBookFolder("LIBR.epub", "Library");
    device.addBookFolder("Purchases/BUY1.epub", "Bought");
    writeWholeFile(device.deviceFile("/Books/Purchases/Purchases.plist"), catalogue(entry("Bought", "BUY1.epub", false)));
    writeWholeFile(device.deviceFile("/Books/.Books.plist.upload"), "a leftover");
    ASSERT_TRUE(device.attach());
    const auto before = contents(device.root());

    for (const std::string &path : paths) {
        epub record;
        record.setMediaName("Bad " + path);
        record.setMediaPcPath(path);
        record.setisuserItem(true);
        const BookOperationResult deleted = device.deleteMediaFromDevice(record);
        EXPECT_TRUE(deleted.failed()) << path;
        EXPECT_NE(deleted.message.find("\"Path\""), std::string::npos) << path << ": " << deleted.message;
        if (path != "LIBR.epub") { // exporting a library book is fine; removing it is not
            EXPECT_TRUE(device.saveEpubToMac(path, device.exportDir(), false, "Bad").failed()) << path;
        }
    }
    EXPECT_TRUE(device.saveEpubToMac("Purchases.plist", device.exportDir(), true, "Bad").failed());
    EXPECT_EQ(contents(device.root()), before);
    EXPECT_TRUE(fs::is_empty(device.exportDir()));
}

// A link on the device is never followed: not a book folder that is a link (it would read
// the whole books folder), not a link inside a book (a loop copies the book again and again
// until the path is too long). The export fails at once, says why, and the user's folder
// gets nothing. A part whose name is as long as a name may be still exports.
TEST(HostilePaths, ExportFollowsNoLinkAndTakesPartsOfAnyNameLength)
{
    HostileDevice device(catalogue(entry("Loop", "LOOP.epub", true) + entry("Link", "LINK.epub", true) +
                                   entry("Long", "LONG.epub", true)));
    device.addBookFolder("LOOP.epub", "Loop");
    fs::create_directory_symlink("..", device.deviceFile("/Books/LOOP.epub/OEBPS/again"));
    device.addBookFolder("Purchases/BUY1.epub", "Bought");
    fs::create_directory_symlink("Purchases", device.deviceFile("/Books/LINK.epub"));
    device.addBookFolder("LONG.epub", "Long");
    const std::string longName = std::string(246, 'n') + ".xhtml"; // 251 bytes
    writeWholeFile(device.deviceFile("/Books/LONG.epub/OEBPS/" + longName), "<p>long</p>");
    ASSERT_TRUE(device.attach());

    DeviceFaultInjector &faults = DeviceFaultInjector::instance();
    faults.reset();
    const BookOperationResult loop = device.saveEpubToMac("LOOP.epub", device.exportDir(), false, "Loop");
    EXPECT_TRUE(loop.failed());
    EXPECT_NE(loop.message.find("link"), std::string::npos) << loop.message;
    EXPECT_LE(faults.calls("AFCFileRefOpen"), 5u) << "the book's own five files at most";
    const BookOperationResult link = device.saveEpubToMac("LINK.epub", device.exportDir(), false, "Link");
    EXPECT_TRUE(link.failed());
    EXPECT_NE(link.message.find("link"), std::string::npos) << link.message;
    EXPECT_TRUE(fs::is_empty(device.exportDir()));

    const BookOperationResult exported =
        device.saveEpubToMac("LONG.epub", device.exportDir(), false, "Long");
    ASSERT_TRUE(exported.done()) << exported.message;
    TempDir check;
    std::string error;
    ASSERT_TRUE(unpackEpubArchive(exported.detail, check.file("u"), &error)) << error;
    EXPECT_EQ(readWholeFile(check.file("u/OEBPS/" + longName)), "<p>long</p>");

    // A copy that cannot be written on this computer is not blamed on the device.
    struct rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const BookOperationResult unwritable =
        device.saveEpubToMac("LONG.epub", device.exportDir(), false, "Unwritable");
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(unwritable.failed());
    EXPECT_NE(unwritable.message.find("cannot write"), std::string::npos) << unwritable.message;
    EXPECT_EQ(unwritable.message.find("device"), std::string::npos) << unwritable.message;
}

// A FIFO where a book's file should be is not a file: opening it neither blocks (every other
// call of the device would wait behind it) nor succeeds, and its kind is told as it is.
TEST(HostilePaths, AFifoOnTheDeviceIsNeverOpenedAsAFile)
{
    HostileDevice device(catalogue(entry("Fifo", "FIFO.epub", true)));
    device.addBookFolder("FIFO.epub", "Fifo");
    const std::string fifo = device.deviceFile("/Books/FIFO.epub/OEBPS/cover.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_TRUE(device.attach());
    const std::shared_ptr<DeviceSession> session = device.library().openSession();
    ASSERT_TRUE(session);
    afc_connection *conn = session->data()->conn;

    afc_dictionary *info = nullptr;
    ASSERT_EQ(AFCFileInfoOpen(conn, "/Books/FIFO.epub/OEBPS/cover.jpg", &info), 0);
    std::map<std::string, std::string> pairs;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value)
        pairs[key] = value;
    AFCKeyValueClose(info);
    EXPECT_EQ(pairs["st_ifmt"], "S_IFIFO");

    auto open = std::async(std::launch::async, [conn] {
        afc_file_ref ref = 0;
        const int rc = AFCFileRefOpen(conn, "/Books/FIFO.epub/OEBPS/cover.jpg", AFC_MODE_READ, 0, &ref);
        if (rc == 0)
            AFCFileRefClose(conn, ref);
        return rc;
    });
    const bool answered = open.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!answered) // let the blocked open go, so the test ends
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    ASSERT_TRUE(answered) << "the open waited for a writer";
    EXPECT_NE(open.get(), 0);

    const BookOperationResult exported = device.saveEpubToMac("FIFO.epub", device.exportDir(), false, "F");
    EXPECT_TRUE(exported.failed());
    EXPECT_TRUE(fs::is_empty(device.exportDir()));
}
