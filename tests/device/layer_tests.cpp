// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include "device/storage/devicepath.h"
#include "device/backend/plistscalar.h"

#include <clocale>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

using LayerTest = DeviceTest;

namespace {
// The pairs of a key-value answer, in order; empty when the open failed.
std::vector<std::pair<std::string, std::string>> pairsOf(int opened, afc_dictionary *info)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    char *k = nullptr, *v = nullptr;
    while (opened == 0 && AFCKeyValueRead(info, &k, &v) == 0 && k)
        pairs.emplace_back(k, v);
    if (opened == 0)
        AFCKeyValueClose(info);
    return pairs;
}
} // namespace

// Listings, file information and the device's figures as a device gives them. A listing is
// read without its connection.
TEST_F(LayerTest, ListingsAndInformationLookLikeTheDevicesOwn)
{
    device.model("iPod touch").deviceInfo("FSTotalBytes", "10000");
    device.file("/Books/b.txt", "b").file("/Books/a.txt", std::string(1499, 'a')).folder("/Books/Sub");
    userDataIphone *d = openDevice();
    afc_directory *dir = nullptr;
    ASSERT_EQ(AFCDirectoryOpen(d->conn, "/Books", &dir), 0);
    std::vector<std::string> names;
    char *name = nullptr;
    while (AFCDirectoryRead(nullptr, dir, &name) == 0 && name)
        names.emplace_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Sub", "a.txt", "b.txt"}));
    EXPECT_EQ(AFCDirectoryRead(nullptr, dir, &name), 0);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(AFCDirectoryClose(nullptr, dir), 0);
    // A plain file is not a directory.
    EXPECT_NE(AFCDirectoryOpen(d->conn, "/Books/a.txt", &dir), 0);
    EXPECT_EQ(dir, nullptr);

    auto info = [&](const char *path) {
        afc_dictionary *answer = nullptr;
        const int opened = AFCFileInfoOpen(d->conn, path, &answer); // before `answer` is passed on
        const auto pairs = pairsOf(opened, answer);
        return std::map<std::string, std::string>(pairs.begin(), pairs.end());
    };
    auto file = info("/Books/a.txt");
    EXPECT_EQ(file["st_size"], "1499");
    EXPECT_EQ(file["st_ifmt"], "S_IFREG");
    EXPECT_EQ(file["st_nlink"], "1");
    EXPECT_FALSE(file["st_mtime"].empty());
    EXPECT_FALSE(file["st_birthtime"].empty());
    EXPECT_EQ(info("/Books/Sub")["st_ifmt"], "S_IFDIR");
    EXPECT_TRUE(info("/missing").empty());

    // Free space is what the files under the root do not take (1499 + 1 bytes).
    afc_dictionary *answer = nullptr;
    const int opened = AFCDeviceInfoOpen(d->conn, &answer);
    const auto pairs = pairsOf(opened, answer);
    ASSERT_GE(pairs.size(), 3u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"Model", "iPod touch"}));
    EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"FSTotalBytes", "10000"}));
    EXPECT_EQ(pairs[2], (std::pair<std::string, std::string>{"FSFreeBytes", "8500"}));
}

TEST_F(LayerTest, PathsNeverLeaveTheRoot)
{
    TempDir outside;
    writeWholeFile(outside.file("secret"), "secret");
    device.file("/Books/inside.txt", "inside");
    fs::create_symlink(outside.path(), device.local("/Books/abs"));
    fs::create_symlink("../../..", device.local("/Books/up"));
    fs::create_symlink(outside.file("secret"), device.local("/Books/secretlink"));
    fs::create_symlink("inside.txt", device.local("/Books/rel"));
    fs::create_symlink(outside.file("new"), device.local("/Books/dangling"));
    userDataIphone *d = openDevice();

    afc_file_ref ref = 0;
    EXPECT_NE(AFCFileRefOpen(d->conn, "/../../etc/passwd", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/../../device.plist", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/abs/secret", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/secretlink", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/up/device.plist", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/abs/planted", AFC_MODE_WRITE, 0, &ref), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/Books/dangling", AFC_MODE_WRITE, 0, &ref), 0);
    EXPECT_NE(AFCDirectoryCreate(d->conn, "/Books/abs/newdir"), 0);
    EXPECT_NE(AFCRemovePath(d->conn, "/Books/abs/secret"), 0);
    EXPECT_NE(AFCRenamePath(d->conn, "/Books/inside.txt", "/Books/abs/stolen"), 0);
    afc_directory *dir = nullptr;
    EXPECT_NE(AFCDirectoryOpen(d->conn, "/Books/abs", &dir), 0);
    EXPECT_FALSE(fs::exists(outside.file("planted")));
    EXPECT_FALSE(fs::exists(outside.file("new")));
    EXPECT_FALSE(fs::exists(outside.file("newdir")));
    EXPECT_FALSE(fs::exists(outside.file("stolen")));
    EXPECT_EQ(readWholeFile(outside.file("secret")), "secret");

    // Links that stay inside work; ".." inside the root is fine; removing a link removes the link.
    ASSERT_EQ(AFCFileRefOpen(d->conn, "/Books/rel", AFC_MODE_READ, 0, &ref), 0);
    AFCFileRefClose(d->conn, ref);
    ASSERT_EQ(AFCFileRefOpen(d->conn, "/DCIM/../Books/inside.txt", AFC_MODE_READ, 0, &ref), 0);
    AFCFileRefClose(d->conn, ref);
    EXPECT_EQ(AFCRemovePath(d->conn, "/Books/secretlink"), 0);
    EXPECT_EQ(readWholeFile(outside.file("secret")), "secret");
}

TEST_F(LayerTest, FlockConflictsWithinTheProcessAndRemovalReleasesLocks)
{
    userDataIphone *d = openDevice();
    afc_file_ref first = 0, second = 0;
    ASSERT_EQ(AFCFileRefOpen(d->conn, "/lock", AFC_MODE_READ_WRITE, 0, &first), 0);
    ASSERT_EQ(AFCFileRefOpen(d->conn, "/lock", AFC_MODE_READ_WRITE, 0, &second), 0);
    EXPECT_EQ(AFCFileRefLock(d->conn, first), 0);
    EXPECT_EQ(AFCFileRefLock(d->conn, second), static_cast<int>(MDERR_BUSY));
    EXPECT_NE(AFCFileRefUnlock(d->conn, second), 0); // never taken
    EXPECT_EQ(AFCFileRefUnlock(d->conn, first), 0);
    EXPECT_EQ(AFCFileRefLock(d->conn, second), 0);

    // A removed device answers errors on its stale handles and gives its locks back.
    backend->detach(d->dev);
    EXPECT_NE(AFCFileRefUnlock(d->conn, second), 0);
    EXPECT_NE(AFCFileRefOpen(d->conn, "/lock", AFC_MODE_READ, 0, &first), 0);
    const int fd = ::open(device.local("/lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
}

TEST_F(LayerTest, AClosedConnectionAnswersErrorsAndGivesBackItsFilesAndLocks)
{
    userDataIphone *d = openDevice();
    service_conn_t service = 0;
    afc_connection *conn = nullptr;
    ASSERT_EQ(AMDeviceStartService(d->dev, "com.apple.afc", &service, nullptr), 0);
    ASSERT_EQ(AFCConnectionOpen(service, 0, &conn), 0);
    const std::size_t open = backend->openConnectionCount();
    afc_file_ref ref = 0;
    ASSERT_EQ(AFCFileRefOpen(conn, "/lock", AFC_MODE_READ_WRITE, 0, &ref), 0);
    ASSERT_EQ(AFCFileRefLock(conn, ref), 0);

    EXPECT_EQ(AFCConnectionClose(conn), 0);
    EXPECT_EQ(backend->openConnectionCount(), open - 1);
    EXPECT_NE(AFCFileRefWrite(conn, ref, "x", 1), 0);
    EXPECT_NE(AFCFileRefOpen(conn, "/lock", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_NE(AFCConnectionClose(conn), 0); // once only
    const int fd = ::open(device.local("/lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    // The device's own connection is untouched.
    EXPECT_EQ(AFCFileRefOpen(d->conn, "/lock", AFC_MODE_READ, 0, &ref), 0);
    EXPECT_EQ(AFCFileRefClose(d->conn, ref), 0);
}

TEST_F(LayerTest, NoBackendAnswersErrors)
{
    setDeviceBackend(nullptr);
    afc_connection *conn = nullptr;
    EXPECT_NE(AFCConnectionOpen(1, 0, &conn), 0);
    EXPECT_EQ(conn, nullptr);
    am_device_notification *sub = nullptr;
    EXPECT_NE(AMDeviceNotificationSubscribe([](am_device_notification_callback_info *, void *) {}, 0, 0, nullptr, &sub), 0);
    EXPECT_EQ(AMDeviceIsPaired(nullptr), 0);
}

TEST(PlistScalar, EveryScalarAsTextWithAPointWhateverTheLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
    auto text = [](plist_t node) {
        auto out = plistScalarText(node);
        plist_free(node);
        return out;
    };
    EXPECT_EQ(text(plist_new_real(7.5)), "7.5");
    EXPECT_EQ(text(plist_new_real(1e20)), "1e+20");
    EXPECT_EQ(text(plist_new_real(-0.125)), "-0.125");
    EXPECT_EQ(text(plist_new_uint(18446744073709551615ull)), "18446744073709551615");
    EXPECT_EQ(text(plist_new_bool(1)), "true");
    EXPECT_EQ(text(plist_new_string("Pad")), "Pad");
    EXPECT_EQ(text(plist_new_dict()), std::nullopt);
    EXPECT_EQ(plistScalarText(nullptr), std::nullopt);
    std::setlocale(LC_ALL, previous.c_str());
    if (!comma)
        GTEST_SKIP() << "checked in the C locale only: no de_DE.UTF-8 locale here";
}

TEST(DevicePath, ComponentsJoinWithOneSeparator)
{
    EXPECT_EQ(joinPath("/Books/", "MyBook"), "/Books/MyBook");
    EXPECT_EQ(joinPath("/Books", "/MyBook"), "/Books/MyBook");
    EXPECT_EQ(joinPath("/", "a"), "/a");
    EXPECT_EQ(joinPath("", "a"), "a");
    EXPECT_EQ(joinPath("/Books", ""), "/Books");
    EXPECT_EQ(lastComponent("/Books/MyBook/"), "MyBook");
    EXPECT_EQ(lastComponent("/"), "/");
    EXPECT_EQ(parentFolder("/Books/a"), "/Books");
    EXPECT_EQ(parentFolder("/a"), "/");
    EXPECT_EQ(parentFolder("a"), "");
}
