// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// The file of usbmuxd's socket as libusbmuxd finds it: the path of USBMUXD_SOCKET_ADDRESS
// ("UNIX:/path") when set, else /var/run/usbmuxd. Empty for a TCP address ("host:port"),
// which has no file to watch.
std::string muxSocketFile();

// Follows usbmuxd through its socket file. On Debian the daemon is started by udev when a
// device is plugged in and stops when the last one goes, so it comes and goes while the
// program runs. `up` is called once a daemon behind the file accepts a connection; the
// watch keeps that connection, idle, and calls `down` when the daemon ends it (it stopped
// or was killed), then `up` again when the next daemon accepts. While there is none, the
// folder is watched with inotify for the file; a file that refuses (made before the daemon
// listens, or left by one that died) is tried again within two seconds, and without inotify
// (or while the folder is missing) the file is tried once a second.
//
// Threads: `up` and `down` run on the watch's own thread, in turn, starting with `up`; the
// destructor stops the thread, calling `down` last when `up` was the last call.
class MuxSocketWatch
{
public:
    MuxSocketWatch(std::string path, std::function<void()> up, std::function<void()> down);
    ~MuxSocketWatch();
    MuxSocketWatch(const MuxSocketWatch &) = delete;
    MuxSocketWatch &operator=(const MuxSocketWatch &) = delete;

private:
    void run();

    const std::string m_path;
    const std::function<void()> m_up;
    const std::function<void()> m_down;
    std::atomic_bool m_stop{false};
    int m_wake = -1; // an eventfd the destructor writes to
    std::thread m_thread;
};
