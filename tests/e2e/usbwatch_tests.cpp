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

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";

// The backend's reports, from its threads; waits are bounded.
class Reports
{
public:
    static void report(void *layer, am_device *device, unsigned int msg)
    {
        auto *self = static_cast<Reports *>(layer);
        {
            std::lock_guard lock(self->m_mutex);
            self->m_events.push_back({device, msg});
        }
        self->m_changed.notify_all();
    }

    std::size_t count()
    {
        std::lock_guard lock(m_mutex);
        return m_events.size();
    }

    // The first arrival reported from index `from` on.
    am_device *arrivalAfter(std::size_t from)
    {
        am_device *found = nullptr;
        waitUntil([&] {
            for (std::size_t i = from; i < m_events.size() && !found; ++i)
                if (m_events[i].msg == ADNCI_MSG_CONNECTED)
                    found = m_events[i].device;
            return found != nullptr;
        });
        return found;
    }

    bool removed(am_device *device)
    {
        return waitUntil([&] {
            for (const Event &e : m_events)
                if (e.device == device && e.msg == ADNCI_MSG_DISCONNECTED)
                    return true;
            return false;
        });
    }

private:
    struct Event
    {
        am_device *device;
        unsigned int msg;
    };

    template<typename Predicate>
    bool waitUntil(Predicate predicate)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30), predicate);
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
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

class Transitions
{
public:
    void up() { change(+1); }
    void down() { change(-1); }
    // Waits (bounded) until there were `ups` ups and `downs` downs.
    bool reached(int ups, int downs)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_ups == ups && m_downs == downs; });
    }
    std::pair<int, int> counts()
    {
        std::lock_guard lock(m_mutex);
        return {m_ups, m_downs};
    }

private:
    void change(int step)
    {
        {
            std::lock_guard lock(m_mutex);
            // Calls alternate, starting with up.
            m_inOrder = m_inOrder && (step > 0) == (m_ups == m_downs);
            (step > 0 ? m_ups : m_downs)++;
            if (!m_inOrder)
                m_ups = m_downs = -1000;
        }
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_ups = 0;
    int m_downs = 0;
    bool m_inOrder = true;
};

} // namespace

TEST(UsbWatch, SocketWatchFollowsDaemonsThroughTheirFile)
{
    TempDir tmp;
    const std::string path = tmp.file("mux");
    Transitions seen;
    {
        MuxSocketWatch watch(path, [&] { seen.up(); }, [&] { seen.down(); });

        // usbmuxd makes its file before it listens: a refusal is tried again.
        auto daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->bound());
        ASSERT_TRUE(daemon->listen());
        ASSERT_TRUE(seen.reached(1, 0));

        // Killed: the file stays and refuses; the next daemon replaces it.
        daemon->kill();
        ASSERT_TRUE(seen.reached(1, 1));
        ASSERT_TRUE(std::filesystem::exists(path));
        daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->bound());
        ASSERT_TRUE(daemon->listen());
        ASSERT_TRUE(seen.reached(2, 1));

        // Gone with its file, then back.
        daemon.reset();
        ASSERT_TRUE(seen.reached(2, 2));
        ::unlink(path.c_str());
        daemon = std::make_unique<BareDaemon>(path);
        ASSERT_TRUE(daemon->listen());
        ASSERT_TRUE(seen.reached(3, 2));
    }
    // The watch ends with the daemon still there: its last call is down.
    EXPECT_EQ(seen.counts(), std::make_pair(3, 3));
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
        const std::size_t mark = reports.count();
        ASSERT_TRUE(emulator.start({"--detached", device})) << round;
        ASSERT_EQ(emulator.control("attach " + kUdid), "ok\n") << round;
        am_device *arrived = reports.arrivalAfter(mark);
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
