// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "muxsocketwatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char *DefaultSocket = "/var/run/usbmuxd";
// Without inotify the file is looked at this often.
constexpr int PollMs = 1000;
// usbmuxd creates its socket file before it listens, and a daemon that died leaves its file
// behind: a file that refuses is tried again, less often each time.
constexpr int FirstRetryMs = 100;
constexpr int LastRetryMs = 2000;

// A connection to the daemon behind the socket file, or -1 when none accepts.
int connectTo(const std::string &path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string muxSocketFile()
{
    const char *address = std::getenv("USBMUXD_SOCKET_ADDRESS");
    if (!address || !*address)
        return DefaultSocket;
    if (std::strncmp(address, "UNIX:", 5) == 0)
        return address[5] ? std::string(address + 5) : std::string(DefaultSocket);
    return {};
}

MuxSocketWatch::MuxSocketWatch(std::string path, std::function<void()> up, std::function<void()> down)
    : m_path(std::move(path))
    , m_up(std::move(up))
    , m_down(std::move(down))
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_thread = std::thread([this] { run(); });
}

MuxSocketWatch::~MuxSocketWatch()
{
    m_stop = true;
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
        // The thread still sees m_stop within a poll period.
    }
    m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

void MuxSocketWatch::run()
{
    const std::size_t slash = m_path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0                ? std::string("/")
                                                           : m_path.substr(0, slash);
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);

    const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    int watch = -1;
    // An idle connection of our own to the daemon: it ends when the daemon does, at the
    // moment libusbmuxd's does. usbmuxd sends nothing on a connection that asked nothing.
    int link = -1;
    int retryMs = FirstRetryMs;

    while (!m_stop) {
        if (notify >= 0 && watch < 0)
            watch = ::inotify_add_watch(notify, folder.c_str(), IN_CREATE | IN_MOVED_TO);
        int timeout = -1;
        if (link < 0) {
            link = connectTo(m_path);
            if (link >= 0) {
                retryMs = FirstRetryMs;
                m_up();
            } else {
                struct stat st{};
                if (::stat(m_path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
                    timeout = retryMs;
                    retryMs = std::min(retryMs * 2, LastRetryMs);
                }
                if (watch < 0)
                    timeout = timeout < 0 ? PollMs : std::min(timeout, PollMs);
            }
        }

        if (m_wake < 0) // no way to be woken: see the stop flag in time
            timeout = timeout < 0 ? PollMs : std::min(timeout, PollMs);
        pollfd fds[3] = {{m_wake, POLLIN, 0}, {link, POLLIN, 0}, {watch >= 0 ? notify : -1, POLLIN, 0}};
        if (::poll(fds, 3, timeout) < 0 && errno != EINTR)
            break;
        if (link >= 0 && fds[1].revents) {
            char byte;
            const ssize_t n = ::recv(link, &byte, 1, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) || (fds[1].revents & (POLLHUP | POLLERR))) {
                ::close(link);
                link = -1;
                m_down();
            }
        }
        if (fds[2].revents & POLLIN) {
            alignas(inotify_event) char buffer[4096];
            ssize_t length;
            while ((length = ::read(notify, buffer, sizeof buffer)) > 0) {
                for (char *p = buffer; p < buffer + length;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(p);
                    if (event->mask & IN_IGNORED)
                        watch = -1; // the folder went away: look again until it is back
                    else if (event->len && name == event->name)
                        retryMs = FirstRetryMs; // a new file: try it at once
                    p += sizeof(inotify_event) + event->len;
                }
            }
        }
    }
    if (link >= 0) {
        ::close(link);
        m_down();
    }
    if (notify >= 0)
        ::close(notify);
}
