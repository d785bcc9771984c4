// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The USB backend follows usbmuxd (the emulator) whenever it runs: started only after the
// backend subscribed, stopped, killed (its socket file left behind) and started again. The
// socket watch under it, against a bare socket: a file that does not listen yet, a daemon
// that dies leaving its file, one that takes its place. Round after round of usbmuxd
// leaving, under load, and a socket that hangs up at once: nothing hangs, aborts or leaks.
#include "device/usb/imobiledevicebackend.h"
#include "device/usb/muxsocketwatch.h"
#include "backendreports.h"
#include "emulatorharness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";

using Reports = BackendReports;

// A socket bound at a path, listening when asked, standing in for usbmuxd.
class BareDaemon
{
public:
    explicit BareDaemon(const std::string &path)
    {
        ::unlink(path.c_str()); // as usbmuxd does with a file left behind
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~BareDaemon() { kill(); }
    bool bound() const { return m_bound; }
    bool listen() { return ::listen(m_fd, 4) == 0; }
    // Ends without removing its file, as a daemon that was killed does; the watch's
    // connection, taken or still waiting to be taken, ends with it.
    void kill()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    bool m_bound = false;
};

// Busy threads, so that the threads under test are scheduled late and in odd orders.
class Load
{
public:
    explicit Load(int threads)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] {
                volatile unsigned long sink = 0;
                while (!m_stop)
                    for (int k = 0; k < 100000; ++k)
                        sink = sink + k;
            });
    }
    ~Load()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
    }

private:
    std::atomic_bool m_stop{false};
    std::vector<std::thread> m_threads;
};

std::size_t openDescriptors()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

} // namespace

TEST(UsbWatch, SocketWatchFollowsDaemonsThroughTheirFile)
{
    TempDir tmp;
    const std::string path = tmp.file("mux");
    Handover<char> seen; // '+' for up, '-' for down
    {
        MuxSocketWatch watch(path, [&] { seen.put('+'); }, [&] { seen.put('-'); });

        // usbmuxd makes its file before it listens: a refusal is tried again.
        auto daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->bound());
        ASSERT_TRUE(daemon->listen());
        EXPECT_EQ(seen.next(), '+');

        // Killed: the file stays and refuses; the next daemon replaces it.
        daemon->kill();
        EXPECT_EQ(seen.next(), '-');
        ASSERT_TRUE(std::filesystem::exists(path));
        daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->bound());
        ASSERT_TRUE(daemon->listen());
        EXPECT_EQ(seen.next(), '+');

        // Gone with its file, then back.
        daemon.reset();
        EXPECT_EQ(seen.next(), '-');
        ::unlink(path.c_str());
        daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->listen());
        EXPECT_EQ(seen.next(), '+');
    }
    // The watch ends with the daemon still there: its last call is down, and nothing follows.
    EXPECT_EQ(seen.next(false), '-');
    EXPECT_EQ(seen.next(false), std::nullopt);
}

// usbmuxd leaves whenever the last device is unplugged. Round after round it is stopped or
// killed, sometimes while the backend goes at the same moment, sometimes before the backend
// goes: every arrival and removal is reported, every backend ends, no descriptor is left. The
// first backend subscribes before any usbmuxd runs; its handles talk to the daemon running now.
TEST(UsbWatch, UsbmuxdLeavingRoundAfterRoundHangsNothing)
{
    const char *wanted = std::getenv("BOOKFERRY_WATCH_ROUNDS");
    const int rounds = wanted ? std::atoi(wanted) : BOOKFERRY_WATCH_ROUNDS;
    TempDir tmp;
    EmulatorProcess emulator(tmp.path());
    FolderDeviceDescription description;
    description.udid = kUdid;
    description.values = {{"DeviceName", "Late Phone"}, {"ProductVersion", "16.7.2"}};
    const std::string device = makeFolderDevice(tmp.file("dev"), description);
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);

    Load load(2);
    const std::size_t descriptorsBefore = openDescriptors();
    std::unique_ptr<DeviceBackend> backend;
    std::unique_ptr<Reports> reports;
    for (int round = 0; round < rounds; ++round) {
        if (!backend) {
            std::string error;
            backend = makeIMobileDeviceBackend({}, &error);
            ASSERT_TRUE(backend) << error;
            reports = std::make_unique<Reports>();
            ASSERT_EQ(backend->subscribe(&Reports::report, reports.get()), int(MDERR_OK));
        }
        // Plugged in after the daemon started (the first rounds), or there when it starts.
        ASSERT_TRUE(round < 4 ? emulator.start({"--detached", device}) : emulator.start({device})) << round;
        if (round < 4)
            ASSERT_EQ(emulator.control("attach " + kUdid), "ok\n") << round;
        am_device *arrived = reports->arrival();
        ASSERT_TRUE(arrived) << "round " << round;
        if (round < 4) {
            EXPECT_EQ(backend->connect(arrived), int(MDERR_OK)) << round << ": " << backend->errorSentence(arrived);
            EXPECT_EQ(backend->copyValue(arrived, "DeviceName").value_or(""), "Late Phone") << round;
        }
        switch (round % 4) {
        case 0: // stopped
            emulator.stop();
            ASSERT_TRUE(reports->removed(arrived)) << "round " << round;
            break;
        case 1: // killed, its socket file left behind; the backend goes while no daemon runs
            ASSERT_TRUE(emulator.signal(SIGKILL));
            emulator.stop();
            ASSERT_TRUE(reports->removed(arrived)) << "round " << round;
            backend.reset();
            break;
        case 2: // killed while the backend goes
            ASSERT_TRUE(emulator.signal(SIGKILL));
            backend.reset();
            emulator.stop();
            break;
        case 3: // stopped, and the backend goes at once or after it saw that
            ASSERT_TRUE(emulator.signal(SIGTERM));
            if (round % 8 == 7) {
                ASSERT_TRUE(reports->removed(arrived)) << "round " << round;
            }
            backend.reset();
            emulator.stop();
            break;
        }
    }
    backend.reset();
    reports.reset();
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
}

// A socket that takes the connection and hangs up at once: the backend tries it again, less
// often each time, and leaves no descriptor behind.
TEST(UsbWatch, SocketThatHangsUpAtOnceIsTriedCalmly)
{
    TempDir tmp;
    const std::string path = tmp.file("mux");
    HangingUpDaemon daemon(path);
    ASSERT_TRUE(daemon.listening());
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + path).c_str(), 1);
    Load load(2);
    const std::size_t descriptorsBefore = openDescriptors();
    {
        std::string error;
        std::unique_ptr<DeviceBackend> backend = makeIMobileDeviceBackend({}, &error);
        ASSERT_TRUE(backend) << error;
        Reports reports;
        ASSERT_EQ(backend->subscribe(&Reports::report, &reports), int(MDERR_OK));
        ASSERT_TRUE(daemon.waitForAccepted(1, std::chrono::seconds(30)));
        const auto first = std::chrono::steady_clock::now();
        // 100 ms doubling: the fourth try comes 700 ms after the first at the earliest (load
        // only delays it); a backend that tries again at once gets there in a few milliseconds.
        ASSERT_TRUE(daemon.waitForAccepted(4, std::chrono::seconds(30)));
        EXPECT_GE(std::chrono::steady_clock::now() - first, std::chrono::milliseconds(600));
    }
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
}
