// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Devices the daemon reaches over the network (the emulator announcing ConnectionType
// "Network"): listed with their Wi-Fi mark and used straight at their address; one entry,
// by cable, for a device reached both ways; the network presence going is a removal (a
// transfer under way fails as for a pulled cable), the cable going hands the device over
// to Wi-Fi.
#include "device/usb/imobiledevicebackend.h"
#include "emulatorharness.h"
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

// The backend's reports, handed from its thread through a pipe; a read waits at most 30 s.
class Reports
{
public:
    struct Event
    {
        am_device *device = nullptr;
        unsigned int msg = 0;
    };

    Reports()
    {
        if (::pipe2(m_fds, O_CLOEXEC) != 0)
            m_fds[0] = m_fds[1] = -1;
    }
    ~Reports()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    Reports(const Reports &) = delete;
    Reports &operator=(const Reports &) = delete;

    static void report(void *layer, am_device *device, unsigned int msg)
    {
        static_assert(sizeof(Event) <= PIPE_BUF);
        const Event e{device, msg};
        if (::write(static_cast<Reports *>(layer)->m_fds[1], &e, sizeof e) != ssize_t(sizeof e))
            std::abort();
    }

    std::optional<Event> next(int timeoutMs = 30000)
    {
        pollfd fd{m_fds[0], POLLIN, 0};
        Event e;
        if (::poll(&fd, 1, timeoutMs) != 1 || ::read(m_fds[0], &e, sizeof e) != ssize_t(sizeof e))
            return std::nullopt;
        return e;
    }

private:
    int m_fds[2] = {-1, -1};
};

struct CliRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

class WifiTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;

    void TearDown() override { ::unsetenv("USBMUXD_SOCKET_ADDRESS"); }

    void startCli(QProcess &process, const std::string &device, std::vector<std::string> args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BOOKFERRY_SCRATCH"), QString::fromStdString(tmp.file("scratch-" + device.substr(0, 3))));
        env.insert(QStringLiteral("BOOKFERRY_CLI_WAIT_SECONDS"), QStringLiteral("20"));
        env.insert(QStringLiteral("USBMUXD_SOCKET_ADDRESS"), QString::fromStdString("UNIX:" + emulator.socketPath()));
        process.setProcessEnvironment(env);
        QStringList list{QStringLiteral("--device"), QString::fromStdString(device)};
        for (const auto &a : args)
            list << QString::fromStdString(a);
        process.start(QString::fromUtf8(BOOKFERRY_CLI), list);
    }
    static CliRun finish(QProcess &process)
    {
        if (!process.waitForFinished(60000))
            process.kill();
        process.waitForFinished();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }
    CliRun cli(const std::string &device, std::vector<std::string> args)
    {
        QProcess process;
        startCli(process, device, std::move(args));
        return finish(process);
    }

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

QJsonDocument json(const CliRun &r)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out));
}

TEST_F(WifiTest, NetworkDeviceIsListedWithItsMarkAndItsBooksListed)
{
    const std::string dev = deviceWithBook("Small Book", 1000);
    ASSERT_TRUE(emulator.start({"--network", dev}));

    const CliRun info = cli("usb", {"--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(json(info).object().value(QStringLiteral("ConnectionType")).toString(), QStringLiteral("Wi-Fi"));
    EXPECT_EQ(json(info).object().value(QStringLiteral("DeviceName")).toString(), QStringLiteral("Emulated iPhone"));

    const CliRun list = cli("usb", {"--json", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    ASSERT_EQ(json(list).array().size(), 1) << list.out;
    EXPECT_TRUE(list.out.find("Small Book") != std::string::npos) << list.out;
    // Straight at the device's address, never through the daemon's Connect.
    EXPECT_GT(emulator.counter("network.connect"), 0u);
    EXPECT_EQ(emulator.counter("usbmux.Connect"), 0u);
}

TEST_F(WifiTest, DeviceOnCableAndWifiIsOneEntryByCable)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    ASSERT_TRUE(emulator.start({dev, "--network", dev}));

    const CliRun info = cli("usb", {"--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_FALSE(json(info).object().contains(QStringLiteral("ConnectionType"))) << info.out;
    EXPECT_EQ(emulator.counter("network.connect"), 0u);

    // One arrival, by cable; the network presence going changes nothing the user sees,
    // and the cable going after it is the one removal.
    Reports reports;
    std::unique_ptr<DeviceBackend> backend = subscribedBackend(reports);
    ASSERT_TRUE(backend);
    const auto arrival = reports.next();
    ASSERT_TRUE(arrival && arrival->msg == ADNCI_MSG_CONNECTED);
    EXPECT_EQ(backend->interfaceType(arrival->device), int(kInterfaceUsb));
    EXPECT_EQ(emulator.control("detach-network " + desc.udid), "ok\n");
    EXPECT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    const auto removal = reports.next();
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->msg, unsigned(ADNCI_MSG_DISCONNECTED));
    EXPECT_EQ(removal->device, arrival->device);
}

// The cable leaving while the device stays on Wi-Fi: that arrival ends (what was under way
// on the cable fails, as for any pulled cable) and the device is back at once, on Wi-Fi,
// reachable there. The cable coming back takes it over again.
TEST_F(WifiTest, CableLeavingHandsTheDeviceToWifiAndBack)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    ASSERT_TRUE(emulator.start({dev, "--network", dev}));
    Reports reports;
    std::unique_ptr<DeviceBackend> backend = subscribedBackend(reports);
    ASSERT_TRUE(backend);
    const auto byCable = reports.next();
    ASSERT_TRUE(byCable && byCable->msg == ADNCI_MSG_CONNECTED);

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
}

// The network presence dropping mid-export, with the streams closed or (silent) left open
// and unanswered as when a phone walks out of range: the tool fails as when the cable is
// pulled, at once rather than after the library's 20-second wait for an answer, and leaves
// no part of the book behind.
TEST_F(WifiTest, WifiDroppingMidTransferFailsLikeAPulledCable)
{
    const std::string dev = deviceWithBook("Big Book", 6 << 20);
    for (const std::string how : {"", " silent"}) {
        ASSERT_TRUE(emulator.start({"--bandwidth", "1", "--network", dev}));
        fs::create_directories(tmp.file("out"));
        QProcess process;
        startCli(process, "usb", {"export", "--replace", "--to", tmp.file("out")});
        // The survey reads the catalogue; the book's reads come after it.
        ASSERT_TRUE(emulator.waitForCounter("afc.FILE_READ", 6));
        const auto dropped = std::chrono::steady_clock::now();
        EXPECT_EQ(emulator.control("detach-network " + desc.udid + how), "ok\n");
        const CliRun r = finish(process);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - dropped).count(), 10.0) << how;
        EXPECT_EQ(r.exitCode, 1) << how << r.err;
        EXPECT_FALSE(fs::exists(tmp.file("out/Big Book.epub"))) << how;
        for (const auto &entry : fs::directory_iterator(tmp.file("out")))
            ADD_FAILURE() << "left behind: " << entry.path() << how;
        emulator.stop();
    }
}

} // namespace
