// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The imobiledevice backend through libimobiledevice against the emulator.
#include "device/backend/deviceapps.h"
#include "device/usb/imobiledevicebackend.h"
#include "backendreports.h"
#include "emulatorharness.h"

#include <gtest/gtest.h>
#include <plist/plist.h>
#include <usbmuxd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <future>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class BackendTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;
    std::string deviceDir;
    std::unique_ptr<DeviceBackend> backend;
    BackendReports events;
    am_device *device = nullptr;
    afc_connection *afc = nullptr;

    void TearDown() override
    {
        backend.reset(); // unsubscribes before the emulator goes
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }

    // Starts the emulator with one device (plus options) and a backend subscribed to it.
    void startWith(const std::vector<std::string> &options, const std::string &udid = {})
    {
        deviceDir = makeFolderDevice(tmp.file("dev"), desc);
        std::vector<std::string> args = options;
        args.push_back(deviceDir);
        ASSERT_TRUE(emulator.start(args));
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
        std::string error;
        backend = makeIMobileDeviceBackend(udid, &error);
        ASSERT_TRUE(backend) << error;
        ASSERT_EQ(backend->subscribe(&BackendReports::report, &events), 0);
    }

    am_device *arrival()
    {
        auto e = events.next();
        if (!e || e->msg != ADNCI_MSG_CONNECTED)
            return nullptr;
        return e->device;
    }

    // startWith, then the arrival and its file service open.
    void startWithFileService(const std::vector<std::string> &options)
    {
        ASSERT_NO_FATAL_FAILURE(startWith(options));
        device = arrival();
        ASSERT_NE(device, nullptr);
        afc = openFileService(device);
        ASSERT_NE(afc, nullptr) << lastDeviceError(device);
    }

    // Arrival sequence up to an open file service; returns the connection.
    afc_connection *openFileService(am_device *device)
    {
        if (backend->connect(device) != 0 || !backend->isPaired(device) || backend->validatePairing(device) != 0
            || backend->startSession(device) != 0)
            return nullptr;
        service_conn_t afcService = 0;
        afc_connection *connection = nullptr;
        if (backend->startService(device, "com.apple.afc", &afcService) != 0
            || backend->connectionOpen(afcService, &connection) != 0)
            return nullptr;
        return connection;
    }
};

TEST_F(BackendTest, ArrivalSessionValuesServicesAndFiles)
{
    ASSERT_NO_FATAL_FAILURE(startWithFileService({}));
    EXPECT_EQ(backend->copyDeviceIdentifier(device), desc.udid);
    EXPECT_EQ(backend->copyValue(device, "DeviceName"), "Emulated iPhone");
    EXPECT_EQ(backend->copyValue(device, "ProductVersion"), "16.7.2");
    EXPECT_EQ(backend->copyValue(device, "SerialNumber"), "F2LEMU000001");
    EXPECT_EQ(backend->copyValue(device, "VolumeFormat"), "APFS");
    EXPECT_EQ(backend->copyValue(device, "NoSuchKey"), std::nullopt);
    // Every value came from one GetValue of the whole domain (the handshake adds one of its own).
    EXPECT_EQ(emulator.counter("lockdown.GetValue"), 2u);
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), 1u);

    // (The posts to the notification proxy are the sync's, whose order the CLI tests read.)
    service_conn_t afcService = 0, proxy = 0;
    ASSERT_EQ(backend->startService(device, "com.apple.afc", &afcService), 0);
    ASSERT_EQ(backend->startService(device, "com.apple.mobile.notification_proxy", &proxy), 0);
    EXPECT_NE(afcService, proxy);
    EXPECT_NE(backend->startService(device, "com.apple.no.such.service", &afcService), 0);
    EXPECT_FALSE(lastDeviceError(device).empty());

    afc_dictionary info;
    ASSERT_EQ(backend->deviceInfo(afc, info), 0);
    std::map<std::string, std::string> infoMap(info.pairs.begin(), info.pairs.end());
    EXPECT_EQ(infoMap["Model"], "iPhone12,1");
    EXPECT_EQ(infoMap["FSTotalBytes"], "64000000000");
    EXPECT_EQ(infoMap["FSFreeBytes"], "64000000000");

    ASSERT_EQ(backend->directoryCreate(afc, "/Books/Fresh"), 0);
    // Larger than one transfer chunk, with a pattern that shows misplaced pieces (the reading
    // back of such a file is the tree copy's, over several connections).
    std::string content(3 * 1024 * 1024 + 123, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = char((i * 7 + i / 4096) & 0xff);
    afc_file_ref ref = 0;
    ASSERT_EQ(backend->fileOpen(afc, "/Books/Fresh/book.epub", AFC_MODE_WRITE, &ref), 0);
    ASSERT_EQ(backend->fileWrite(afc, ref, content.data(), unsigned(content.size())), 0);
    ASSERT_EQ(backend->fileClose(afc, ref), 0);
    EXPECT_EQ(readWholeFile(deviceDir + "/root/Books/Fresh/book.epub"), content);

    afc_dictionary fileInfo;
    ASSERT_EQ(backend->fileInfo(afc, "/Books/Fresh/book.epub", fileInfo), 0);
    std::map<std::string, std::string> fileMap(fileInfo.pairs.begin(), fileInfo.pairs.end());
    EXPECT_EQ(fileMap["st_size"], std::to_string(content.size()));
    EXPECT_EQ(fileMap["st_ifmt"], "S_IFREG");
    EXPECT_EQ(backend->fileInfo(afc, "/Books/Missing", fileInfo), MDERR_NOT_FOUND);
    EXPECT_EQ(backend->fileOpen(afc, "/Books/Missing", AFC_MODE_READ, &ref), MDERR_NOT_FOUND);
    EXPECT_FALSE(lastDeviceError(device).empty());

    afc_directory dir;
    ASSERT_EQ(backend->directoryList(afc, "/Books/Fresh", dir), 0);
    std::sort(dir.names.begin(), dir.names.end());
    EXPECT_EQ(dir.names, (std::vector<std::string>{".", "..", "book.epub"}));

    // Rename replaces the target; a folder with contents cannot be removed.
    ASSERT_EQ(backend->fileOpen(afc, "/Books/Fresh/other", AFC_MODE_READ_WRITE, &ref), 0);
    ASSERT_EQ(backend->fileWrite(afc, ref, "x", 1), 0);
    ASSERT_EQ(backend->fileClose(afc, ref), 0);
    ASSERT_EQ(backend->renamePath(afc, "/Books/Fresh/other", "/Books/Fresh/book.epub"), 0);
    EXPECT_EQ(readWholeFile(deviceDir + "/root/Books/Fresh/book.epub"), "x");
    EXPECT_NE(backend->removePath(afc, "/Books/Fresh"), 0);
    ASSERT_EQ(backend->removePath(afc, "/Books/Fresh/book.epub"), 0);
    ASSERT_EQ(backend->removePath(afc, "/Books/Fresh"), 0);
    EXPECT_NE(backend->removePath(afc, "/Books/Fresh"), 0);
    // A path that climbs out of the device is refused, not served.
    EXPECT_NE(backend->fileOpen(afc, "/../../etc/passwd", AFC_MODE_READ, &ref), 0);
}

// A FIFO on the device is told as one and never opened as a file: the open answers at once
// (it would wait for a writer), and the connection goes on serving.
TEST_F(BackendTest, AFifoIsNeverOpenedAsAFile)
{
    ASSERT_NO_FATAL_FAILURE(startWithFileService({}));
    const std::string fifo = deviceDir + "/root/cover.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    afc_dictionary info;
    ASSERT_EQ(backend->fileInfo(afc, "/cover.jpg", info), 0);
    const std::map<std::string, std::string> pairs(info.pairs.begin(), info.pairs.end());
    EXPECT_EQ(pairs.at("st_ifmt"), "S_IFIFO");
    auto open = std::async(std::launch::async, [&] {
        afc_file_ref ref = 0;
        return backend->fileOpen(afc, "/cover.jpg", AFC_MODE_READ, &ref);
    });
    const bool answered = open.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!answered) // let the emulator's blocked open go, so the test ends
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    ASSERT_TRUE(answered) << "the open waited for a writer";
    EXPECT_NE(open.get(), 0);
    EXPECT_EQ(backend->directoryCreate(afc, "/Books"), 0);
}

// Another host syncing (here the emulator itself, from its start) holds the lock: said so; once
// it lets go the lock is ours.
TEST_F(BackendTest, LockContention)
{
    const char *lockPath = "/com.apple.itunes.lock_sync";
    ASSERT_NO_FATAL_FAILURE(startWithFileService({"--hold-lock", lockPath}));
    afc_file_ref ref = 0;
    ASSERT_EQ(backend->fileOpen(afc, lockPath, AFC_MODE_READ_WRITE, &ref), 0);
    EXPECT_EQ(backend->fileLock(afc, ref), MDERR_BUSY);
    EXPECT_NE(lastDeviceError(device).find("Another program is syncing"), std::string::npos);
    ASSERT_EQ(emulator.control("release " + desc.udid), "ok\n");
    ASSERT_EQ(backend->fileLock(afc, ref), 0);
    EXPECT_EQ(backend->fileUnlock(afc, ref), 0);
    EXPECT_EQ(backend->fileClose(afc, ref), 0);
}

TEST_F(BackendTest, LockedDeviceSaysUnlock)
{
    startWith({"--refuse-pairing", "--pairing-error", "PasswordProtected"});
    device = arrival();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(backend->isPaired(device), 0);
    ASSERT_EQ(backend->connect(device), 0);
    EXPECT_NE(backend->validatePairing(device), 0);
    EXPECT_NE(lastDeviceError(device).find("The device is locked. Unlock it"), std::string::npos)
        << lastDeviceError(device);
}

// Without an identifier the first device is served and the others wait their turn (a device
// that leaves and comes back waits too); with one, only that device is ever reported.
TEST_F(BackendTest, TheFirstDeviceOrTheNamedOneIsServed)
{
    FolderDeviceDescription other = desc;
    other.udid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";
    other.values["DeviceName"] = "Second";
    const std::string otherDir = makeFolderDevice(tmp.file("other"), other);
    startWith({otherDir});
    am_device *first = arrival();
    ASSERT_NE(first, nullptr);
    const std::string firstUdid = backend->copyDeviceIdentifier(first);
    EXPECT_TRUE(firstUdid == desc.udid || firstUdid == other.udid);
    const std::string secondUdid = firstUdid == desc.udid ? other.udid : desc.udid;
    afc_connection *stale = openFileService(first);
    ASSERT_NE(stale, nullptr) << lastDeviceError(first);
    // The second device was not announced: the next event is the first one's removal,
    // and then the waiting device arrives. The removed device's handles answer errors.
    ASSERT_EQ(emulator.control("detach " + firstUdid), "ok\n");
    auto next = events.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->device, first);
    EXPECT_EQ(next->msg, ADNCI_MSG_DISCONNECTED);
    afc_dictionary info;
    EXPECT_NE(backend->deviceInfo(stale, info), 0);
    EXPECT_NE(backend->connect(first), 0);
    EXPECT_EQ(backend->copyDeviceIdentifier(first), firstUdid);
    am_device *second = arrival();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(backend->copyDeviceIdentifier(second), secondUdid);
    EXPECT_NE(openFileService(second), nullptr) << lastDeviceError(second);
    // The first one coming back now waits in turn.
    ASSERT_EQ(emulator.control("attach " + firstUdid), "ok\n");
    ASSERT_EQ(emulator.control("detach " + secondUdid), "ok\n");
    next = events.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->device, second);
    EXPECT_EQ(next->msg, ADNCI_MSG_DISCONNECTED);
    am_device *again = arrival();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(backend->copyDeviceIdentifier(again), firstUdid);

    // A backend for the second device alone, with both attached: only it arrives and leaves.
    ASSERT_EQ(emulator.control("attach " + secondUdid), "ok\n");
    std::string error;
    EXPECT_FALSE(makeIMobileDeviceBackend("not/a-udid", &error));
    EXPECT_FALSE(error.empty());
    std::unique_ptr<DeviceBackend> named = makeIMobileDeviceBackend(other.udid, &error);
    ASSERT_TRUE(named) << error;
    BackendReports reports;
    ASSERT_EQ(named->subscribe(&BackendReports::report, &reports), 0);
    am_device *chosen = reports.arrival();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(named->copyDeviceIdentifier(chosen), other.udid);
    // No session yet: one short handshake reads the values.
    EXPECT_EQ(named->connect(chosen), 0);
    EXPECT_EQ(named->copyValue(chosen, "DeviceName"), "Second");
    ASSERT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    ASSERT_EQ(emulator.control("detach " + other.udid), "ok\n");
    next = reports.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->device, chosen);
    EXPECT_EQ(next->msg, ADNCI_MSG_DISCONNECTED);
    named.reset();
}

// An injected refusal answers that one request; a connection dropped fails what follows
// instead of hanging it.
TEST_F(BackendTest, InjectedFileServiceFaultsAndADroppedConnection)
{
    ASSERT_NO_FATAL_FAILURE(startWithFileService(
        {"--fail-afc", "FILE_OPEN@2", "--fail-afc", "MAKE_DIR=18", "--drop-after", "5"}));
    afc_file_ref ref = 0;
    EXPECT_EQ(backend->fileOpen(afc, "/a", AFC_MODE_WRITE, &ref), 0);
    EXPECT_NE(backend->fileOpen(afc, "/b", AFC_MODE_WRITE, &ref), 0);
    EXPECT_EQ(backend->fileOpen(afc, "/c", AFC_MODE_WRITE, &ref), 0);
    EXPECT_NE(backend->directoryCreate(afc, "/Books"), 0);
    EXPECT_NE(lastDeviceError(device).find("The device is full"), std::string::npos);
    EXPECT_EQ(emulator.counter("afc.FILE_OPEN"), 3u);
    EXPECT_EQ(backend->fileOpen(afc, "/d", AFC_MODE_WRITE, &ref), 0);
    EXPECT_NE(backend->fileOpen(afc, "/e", AFC_MODE_WRITE, &ref), 0);
    EXPECT_NE(lastDeviceError(device).find("Lost contact"), std::string::npos) << lastDeviceError(device);
}

TEST_F(BackendTest, AppsThroughTheAppServices)
{
    startWith({});
    const FolderAppDescription reader{"org.example.reader", "Reader", "3.1", true, "org.idpf.epub-container",
                                      "\x89PNG icon"};
    addFolderApp(deviceDir, reader);
    addFolderApp(deviceDir, {"org.example.filebox", "Filebox", "3.1", true, "public.data", ""});
    addFolderApp(deviceDir, {"org.example.hidden", "Hidden", "3.1", false, "public.data", ""});
    // More apps than one answer of the device holds, those that share nothing first: the
    // sharing ones are read from the second answer.
    for (int i = 10; i < 32; ++i)
        addFolderApp(deviceDir, {"org.example.a" + std::to_string(i), "A", "1.0", false, "public.data", ""});
    device = arrival();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(backend->connect(device), 0);
    ASSERT_EQ(backend->startSession(device), 0);

    std::vector<DeviceApp> apps;
    std::string why;
    ASSERT_EQ(backend->listApps(device, apps, &why), 0) << why;
    EXPECT_EQ(emulator.counter("instproxy.Browse"), 1u);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].identifier, "org.example.filebox");
    EXPECT_FALSE(apps[0].takesEpub);
    EXPECT_EQ(apps[1].identifier, "org.example.reader");
    EXPECT_EQ(apps[1].displayName, "Reader");
    EXPECT_EQ(apps[1].version, "3.1");
    EXPECT_TRUE(apps[1].takesEpub);
    std::string png;
    ASSERT_EQ(backend->appIcon(device, "org.example.reader", png, &why), 0);
    EXPECT_EQ(png, reader.iconPng);
    // An app the device does not have gives no picture, and no error.
    ASSERT_EQ(backend->appIcon(device, "org.example.absent", png, &why), 0);
    EXPECT_EQ(png, "");

    afc_connection *conn = nullptr;
    ASSERT_EQ(backend->openAppDocuments(device, "org.example.reader", &conn, &why), 0) << why;
    afc_file_ref ref = 0;
    ASSERT_EQ(backend->fileOpen(conn, "/Documents/Book.epub", AFC_MODE_WRITE, &ref), 0);
    ASSERT_EQ(backend->fileWrite(conn, ref, "PK\x03\x04", 4), 0);
    ASSERT_EQ(backend->fileClose(conn, ref), 0);
    EXPECT_EQ(readWholeFile(deviceDir + "/apps/org.example.reader/container/Documents/Book.epub"), "PK\x03\x04");
    afc_directory listing;
    ASSERT_EQ(backend->directoryList(conn, "/Documents", listing), 0);
    EXPECT_NE(std::find(listing.names.begin(), listing.names.end(), "Book.epub"), listing.names.end());

    // Refusals, each in its own words.
    EXPECT_EQ(backend->openAppDocuments(device, "org.example.hidden", &conn, &why), MDERR_APP_GONE);
    EXPECT_EQ(why, appGoneText());
    std::filesystem::remove_all(deviceDir + "/apps/org.example.reader");
    EXPECT_EQ(backend->openAppDocuments(device, "org.example.reader", &conn, &why), MDERR_APP_GONE);
    EXPECT_EQ(lastDeviceError(device), appGoneText());
    desc.locked = true;
    makeFolderDevice(deviceDir, desc);
    EXPECT_EQ(backend->openAppDocuments(device, "org.example.filebox", &conn, &why), MDERR_DEVICE_LOCKED);
    EXPECT_EQ(why, "Unlock the iPhone and try again.");
    // The session survives the refusals: unlocked, the next open works.
    desc.locked = false;
    makeFolderDevice(deviceDir, desc);
    EXPECT_EQ(backend->openAppDocuments(device, "org.example.filebox", &conn, &why), 0) << why;
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), 1u);

    // Closed, the app's connection ends on the device too, and its handle answers errors.
    ASSERT_EQ(emulator.counter("ended.afc"), 0u);
    ASSERT_EQ(backend->connectionClose(conn), 0);
    EXPECT_TRUE(emulator.waitForCounter("ended.afc", 1));
    afc_dictionary info;
    EXPECT_NE(backend->fileInfo(conn, "/Documents", info), 0);
    EXPECT_NE(backend->connectionClose(conn), 0);
}

TEST_F(BackendTest, ALockedDeviceOpensAnAppToThePairRecordsEscrowBag)
{
    desc.locked = true;
    startWith({});
    FolderAppDescription reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    addFolderApp(deviceDir, reader);
    // The record this computer keeps gains the escrow bag a device hands out when it pairs.
    char *raw = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(usbmuxd_read_pair_record(desc.udid.c_str(), &raw, &size), 0);
    plist_t record = nullptr;
    plist_from_memory(raw, size, &record);
    std::free(raw);
    ASSERT_NE(record, nullptr);
    plist_dict_set_item(record, "EscrowBag", plist_new_data("escrow-bag", 10));
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(record, &xml, &length);
    plist_free(record);
    ASSERT_EQ(usbmuxd_save_pair_record(desc.udid.c_str(), xml, length), 0);
    std::free(xml);

    device = arrival();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(backend->connect(device), 0);
    ASSERT_EQ(backend->startSession(device), 0);
    afc_connection *conn = nullptr;
    std::string why;
    EXPECT_EQ(backend->openAppDocuments(device, "org.example.reader", &conn, &why), 0) << why;
    afc_directory listing;
    EXPECT_EQ(backend->directoryList(conn, "/Documents", listing), 0);
}

} // namespace
