// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Where usbmuxd is found, as libusbmuxd finds it: USBMUXD_SOCKET_ADDRESS "UNIX:/path" (a
// socket file) or "host:port" ("[v6 address]:port") when set, else /var/run/usbmuxd.
struct MuxAddress
{
    std::string file; // the socket file; empty for a TCP address
    std::string host;
    std::string port;
};
MuxAddress muxAddress();

// A device as usbmuxd announces it on a listening connection.
struct MuxDeviceEvent
{
    enum class Kind { Attached, Detached, Paired };
    Kind kind = Kind::Attached;
    std::string udid; // spelled as libusbmuxd spells it, so libimobiledevice finds the device by it
    bool usb = true;  // false for a device on the network
    std::string networkAddress; // its NetworkAddress: a BSD sockaddr (length, family, ...)
};

// Follows usbmuxd and the devices it reports, on a connection of its own that asks for
// usbmuxd's device events (the plist "Listen" request), driven by its own thread: nothing
// waits on a thread it cannot stop. On Debian the daemon is started by udev when a device
// is plugged in and stops when the last one goes, so it comes and goes while the program
// runs. `up` is called once a daemon accepts the connection, then `event` for each device it
// announces, and `down` when the connection ends (the daemon stopped or was killed): every
// device it announced is gone with it. Then the next daemon is looked for. While there is
// none, the socket file's folder is watched with inotify for the file; a file that refuses
// (made before the daemon listens, or left by one that died), a daemon that hangs up at
// once and a TCP address are tried again after 100 ms, doubling up to 2 s; a connection
// that lasted 2 s, or a new socket file, starts again from 100 ms.
//
// Threads: the callbacks run on the watch's own thread, in turn; the destructor stops the
// thread at once, calling `down` last when `up` was the last of the two.
class MuxSocketWatch final
{
public:
    using EventHandler = std::function<void(const MuxDeviceEvent &)>;
    MuxSocketWatch(MuxAddress address, std::function<void()> up, std::function<void()> down, EventHandler event = {});
    // usbmuxd behind a socket file
    MuxSocketWatch(std::string socketFile, std::function<void()> up, std::function<void()> down, EventHandler event = {});
    ~MuxSocketWatch();
    MuxSocketWatch(const MuxSocketWatch &) = delete;
    MuxSocketWatch &operator=(const MuxSocketWatch &) = delete;

private:
    struct Link;
    void run();
    bool open(Link &link);
    bool sendListen(Link &link);
    bool receive(Link &link);
    bool handle(Link &link, const char *payload, std::size_t size);

    const MuxAddress m_address;
    const std::function<void()> m_up;
    const std::function<void()> m_down;
    const EventHandler m_event;
    std::atomic_bool m_stop{false};
    int m_wake = -1; // an eventfd the destructor writes to
    std::thread m_thread;
};
