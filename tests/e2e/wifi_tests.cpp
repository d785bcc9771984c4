// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Devices the daemon reaches over the network (the emulator announcing ConnectionType
// "Network"): listed with their Wi-Fi mark and used straight at their address; one entry,
// by cable, for a device reached both ways; the network presence going is a removal (a
// transfer under way fails as for a pulled cable), the cable going hands the device over
// to Wi-Fi.
#include "device/usb/imobiledevicebackend.h"
#include "backendreports.h"
#include "emulatorharness.h"
#include "clirun.h"
#include "epubbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Reports = BackendReports;

class WifiTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;

    void TearDown() override { ::unsetenv("USBMUXD_SOCKET_ADDRESS"); }

    Cli cliFor(const std::string &device)
    {
        return Cli(device, tmp.file("scratch-" + device.substr(0, 3)), emulator.socketPath());
    }
    CliRun cli(const std::string &device, const std::vector<std::string> &args) { return cliFor(device).run(args); }

    // A device folder holding one book of `payload` bytes of noise, imported as a user would.
    std::string deviceWithBook(const std::string &title, size_t payload)
    {
        const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
        std::string noise(payload, '\0');
        std::mt19937 random(7);
        for (char &c : noise)
            c = char(random());
        const std::string book = tmp.file("book.epub");
        EXPECT_TRUE(EpubBuilder::validBook(title, "Writer").add("OEBPS/noise.bin", noise, true).write(book));
        const CliRun seeded = cli("folder:" + dev, {"import", book});
        EXPECT_EQ(seeded.exitCode, 0) << seeded.err;
        return dev;
    }

    std::unique_ptr<DeviceBackend> subscribedBackend(Reports &reports)
    {
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
        std::string error;
        std::unique_ptr<DeviceBackend> backend = makeIMobileDeviceBackend({}, &error);
        EXPECT_TRUE(backend) << error;
        if (backend) {
            EXPECT_EQ(backend->subscribe(&Reports::report, &reports), int(MDERR_OK));
        }
        return backend;
    }
};

// A device reached both ways is one entry, by cable. The cable leaving while the device stays
// on Wi-Fi: that arrival ends (what was under way on the cable fails, as for any pulled cable)
// and the device is back at once, on Wi-Fi, reachable there. The cable coming back takes it
// over again; the network presence going then changes nothing the user sees, and the cable
// going after it is the one removal.
TEST_F(WifiTest, ADeviceOnCableAndWifiIsOneEntryByCable)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    ASSERT_TRUE(emulator.start({dev, "--network", dev}));
    const CliRun info = cli("usb", {"--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_FALSE(cliJson(info).object().contains(QStringLiteral("ConnectionType"))) << info.out;
    EXPECT_EQ(emulator.counter("network.connect"), 0u);

    Reports reports;
    std::unique_ptr<DeviceBackend> backend = subscribedBackend(reports);
    ASSERT_TRUE(backend);
    const auto byCable = reports.next();
    ASSERT_TRUE(byCable && byCable->msg == ADNCI_MSG_CONNECTED);
    EXPECT_EQ(backend->interfaceType(byCable->device), int(kInterfaceUsb));

    EXPECT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    const auto gone = reports.next();
    const auto onWifi = reports.next();
    ASSERT_TRUE(gone && onWifi);
    EXPECT_EQ(gone->device, byCable->device);
    EXPECT_EQ(gone->msg, unsigned(ADNCI_MSG_DISCONNECTED));
    EXPECT_EQ(onWifi->msg, unsigned(ADNCI_MSG_CONNECTED));
    EXPECT_EQ(backend->interfaceType(onWifi->device), int(kInterfaceWifi));
    EXPECT_EQ(backend->connect(onWifi->device), int(MDERR_OK)) << backend->errorSentence(onWifi->device);
    EXPECT_GT(emulator.counter("network.connect"), 0u);
    EXPECT_NE(backend->connect(byCable->device), int(MDERR_OK)); // the old arrival's handle stays gone

    EXPECT_EQ(emulator.control("attach " + desc.udid), "ok\n");
    const auto left = reports.next();
    const auto back = reports.next();
    ASSERT_TRUE(left && back);
    EXPECT_EQ(left->device, onWifi->device);
    EXPECT_EQ(left->msg, unsigned(ADNCI_MSG_DISCONNECTED));
    EXPECT_EQ(back->msg, unsigned(ADNCI_MSG_CONNECTED));
    EXPECT_EQ(backend->interfaceType(back->device), int(kInterfaceUsb));

    EXPECT_EQ(emulator.control("detach-network " + desc.udid), "ok\n");
    EXPECT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    const auto removal = reports.next();
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->msg, unsigned(ADNCI_MSG_DISCONNECTED));
    EXPECT_EQ(removal->device, back->device);
}

// A device on the network only: listed with its Wi-Fi mark, its books listed, reached straight
// at its address and never through the daemon's Connect. Its network presence dropping
// mid-export, with the streams closed or (silent) left open and unanswered as when a phone
// walks out of range: the tool fails as when the cable is pulled, at once rather than after the
// library's 20-second wait for an answer, and leaves no part of the book behind.
TEST_F(WifiTest, NetworkDeviceIsListedAndItsDroppingFailsLikeAPulledCable)
{
    const std::string dev = deviceWithBook("Big Book", 6 << 20);
    for (const std::string how : {"", " silent"}) {
        ASSERT_TRUE(emulator.start({"--bandwidth", "1", "--network", dev}));
        if (how.empty()) {
            const CliRun info = cli("usb", {"--json", "info"});
            ASSERT_EQ(info.exitCode, 0) << info.err;
            const QJsonObject values = cliJson(info).object();
            EXPECT_EQ(values.value(QStringLiteral("ConnectionType")).toString(), QStringLiteral("Wi-Fi"));
            EXPECT_EQ(values.value(QStringLiteral("DeviceName")).toString(), QStringLiteral("Emulated iPhone"));
            const CliRun list = cli("usb", {"--json", "list"});
            ASSERT_EQ(list.exitCode, 0) << list.err;
            ASSERT_EQ(cliJson(list).array().size(), 1) << list.out;
            EXPECT_NE(list.out.find("Big Book"), std::string::npos) << list.out;
            EXPECT_GT(emulator.counter("network.connect"), 0u);
            EXPECT_EQ(emulator.counter("usbmux.Connect"), 0u);
        }
        fs::create_directories(tmp.file("out"));
        const uint64_t reads = emulator.counter("afc.FILE_READ");
        Cli process = cliFor("usb");
        process.start({"export", "--replace", "--to", tmp.file("out")});
        // The survey reads the catalogue; the book's reads come after it.
        ASSERT_TRUE(emulator.waitForCounter("afc.FILE_READ", reads + 6));
        const auto dropped = std::chrono::steady_clock::now();
        EXPECT_EQ(emulator.control("detach-network " + desc.udid + how), "ok\n");
        const CliRun r = process.finish();
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - dropped).count(), 10.0) << how;
        EXPECT_EQ(r.exitCode, 1) << how << r.err;
        EXPECT_FALSE(fs::exists(tmp.file("out/Big Book.epub"))) << how;
        for (const auto &entry : fs::directory_iterator(tmp.file("out")))
            ADD_FAILURE() << "left behind: " << entry.path() << how;
        emulator.stop();
    }
}

} // namespace
