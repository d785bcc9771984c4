// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The USB backend follows usbmuxd (the emulator) whenever it runs: started only after the
// backend subscribed, stopped, killed (its socket file left behind) and started again. The
// socket watch under it, against a bare socket: a file that does not listen yet, a daemon
// that dies leaving its file, one that takes its place.
#include "emulatorharness.h"
#include "imobiledevicebackend.h"
#include "muxsocketwatch.h"

#include <gtest/gtest.h>

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
#include <unistd.h>
#include <vector>

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";

// Records handed from the threads under test to the test through a pipe: the write and
// the read order them for ThreadSanitizer too, and a read waits at most 30 seconds.
template<typename Record>
class Handover
{
public:
    Handover()
    {
        if (::pipe2(m_fds, O_CLOEXEC) != 0)
            m_fds[0] = m_fds[1] = -1;
    }
    ~Handover()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    Handover(const Handover &) = delete;
    Handover &operator=(const Handover &) = delete;

    void put(const Record &record)
    {
        static_assert(sizeof(Record) <= PIPE_BUF); // one write, never interleaved
        if (::write(m_fds[1], &record, sizeof record) != ssize_t(sizeof record))
            std::abort();
    }
    // The next record; nothing when none came within 30 seconds (or, with `wait` false, at once).
    std::optional<Record> next(bool wait = true)
    {
        pollfd fd{m_fds[0], POLLIN, 0};
        if (::poll(&fd, 1, wait ? 30000 : 0) != 1)
            return std::nullopt;
        Record record;
        if (::read(m_fds[0], &record, sizeof record) != ssize_t(sizeof record))
            return std::nullopt;
        return record;
    }

private:
    int m_fds[2] = {-1, -1};
};

// The backend's reports, from its threads.
class Reports
{
public:
    static void report(void *layer, am_device *device, unsigned int msg)
    {
        static_cast<Reports *>(layer)->m_pipe.put({device, msg});
    }

    // The next arrival; the reports before it are kept.
    am_device *arrival()
    {
        while (std::optional<Event> e = m_pipe.next()) {
            m_seen.push_back(*e);
            if (e->msg == ADNCI_MSG_CONNECTED)
                return e->device;
        }
        return nullptr;
    }

    bool removed(am_device *device)
    {
        for (const Event &e : m_seen)
            if (e.device == device && e.msg == ADNCI_MSG_DISCONNECTED)
                return true;
        while (std::optional<Event> e = m_pipe.next()) {
            m_seen.push_back(*e);
            if (e->device == device && e->msg == ADNCI_MSG_DISCONNECTED)
                return true;
        }
        return false;
    }

private:
    struct Event
    {
        am_device *device;
        unsigned int msg;
    };
    Handover<Event> m_pipe;
    std::vector<Event> m_seen; // the test's thread only
};

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

TEST(UsbWatch, UsbmuxdStartedAfterTheProgramAndRestartedIsFollowed)
{
    TempDir tmp;
    EmulatorProcess emulator(tmp.path());
    FolderDeviceDescription description;
    description.udid = kUdid;
    description.values = {{"DeviceName", "Late Phone"}, {"ProductVersion", "16.7.2"}};
    const std::string device = makeFolderDevice(tmp.file("dev"), description);

    // No usbmuxd at the configured path when the backend subscribes.
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    ASSERT_FALSE(std::filesystem::exists(emulator.socketPath()));
    std::string error;
    std::unique_ptr<DeviceBackend> backend = makeIMobileDeviceBackend({}, &error);
    ASSERT_TRUE(backend) << error;
    Reports reports;
    ASSERT_EQ(backend->subscribe(&Reports::report, &reports), int(MDERR_OK));

    // Started, plugged in, then stopped; started, plugged in, then killed (its socket file
    // stays behind); started once more.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(emulator.start({"--detached", device})) << round;
        ASSERT_EQ(emulator.control("attach " + kUdid), "ok\n") << round;
        am_device *arrived = reports.arrival();
        ASSERT_TRUE(arrived) << round;
        EXPECT_EQ(backend->copyDeviceIdentifier(arrived), kUdid) << round;
        // The handle talks to the daemon running now.
        EXPECT_EQ(backend->connect(arrived), int(MDERR_OK)) << round << ": " << backend->errorSentence(arrived);
        EXPECT_EQ(backend->copyValue(arrived, "DeviceName").value_or(""), "Late Phone") << round;

        if (round == 1) {
            ASSERT_TRUE(emulator.signal(SIGKILL));
            emulator.stop();
            ASSERT_TRUE(std::filesystem::exists(emulator.socketPath()));
        } else {
            emulator.stop();
        }
        EXPECT_TRUE(reports.removed(arrived)) << round;
    }

    backend.reset();
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
}
