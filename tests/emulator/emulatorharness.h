// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Test helpers: folder devices written at test time, the emulator run as a child process
// on a private socket, the stock tools run without a shell, and the control socket.

#include "tempdir.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <sys/types.h>
#include <vector>

struct FolderDeviceDescription
{
    std::string udid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f8";
    bool paired = true;
    std::map<std::string, std::string> values = {
        {"DeviceName", "Emulated iPhone"}, {"ProductVersion", "16.7.2"}, {"ProductType", "iPhone12,1"},
        {"SerialNumber", "F2LEMU000001"}, {"VolumeFormat", "APFS"}};
    std::string model = "iPhone12,1";
    std::string totalBytes = "64000000000";
    bool locked = false; // "Locked" in device.plist: house_arrest refused
};

// Writes DIR/device.plist and DIR/root/; returns DIR. Run again to change device.plist.
std::string makeFolderDevice(const std::string &dir, const FolderDeviceDescription &desc);

// An app of a folder device: DIR/apps/ID/Info.plist, icon.png (when iconPng is not
// empty) and container/Documents/.
struct FolderAppDescription
{
    std::string identifier;
    std::string displayName;
    std::string version = "1.0";
    bool sharing = true;
    std::string contentType = "org.idpf.epub-container"; // its one document type
    std::string iconPng;
};
void addFolderApp(const std::string &dir, const FolderAppDescription &app);

struct ToolResult
{
    int exitCode = -1;
    std::string out;
};

// Runs argv[0] (looked up in PATH) with USBMUXD_SOCKET_ADDRESS=UNIX:socket; no shell.
ToolResult runTool(const std::vector<std::string> &argv, const std::string &socketPath);

// The emulator on TMP/mux (control socket TMP/ctl); started by start(), stopped by
// SIGTERM in the destructor.
class EmulatorProcess
{
public:
    explicit EmulatorProcess(const std::string &workDir);
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess &) = delete;
    EmulatorProcess &operator=(const EmulatorProcess &) = delete;

    // Starts with the extra arguments (options, then device folders); true once it said "ready".
    bool start(const std::vector<std::string> &arguments);
    // SIGTERM and wait; returns the exit status.
    int stop();
    bool signal(int signal);

    const std::string &socketPath() const { return m_socket; }
    std::string countersPath() const { return m_workDir + "/counters.txt"; }
    // One control command; the emulator's answer.
    std::string control(const std::string &command) const;
    // The request counter `name` as the control socket reports it.
    uint64_t counter(const std::string &name) const;
    // Waits until the counter reaches `count` (the emulator answers when it does; at most 30 s).
    bool waitForCounter(const std::string &name, uint64_t count) const;

private:
    std::string m_workDir;
    std::string m_socket;
    std::string m_control;
    pid_t m_pid = -1;
};

// A socket standing in for a broken usbmuxd: it takes every connection and closes it at once.
class HangingUpDaemon
{
public:
    explicit HangingUpDaemon(const std::string &path);
    ~HangingUpDaemon();
    HangingUpDaemon(const HangingUpDaemon &) = delete;
    HangingUpDaemon &operator=(const HangingUpDaemon &) = delete;

    bool listening() const { return m_thread.joinable(); }
    // Waits until `count` connections were taken, at most `bound`; true when they were.
    bool waitForAccepted(int count, std::chrono::milliseconds bound);

private:
    void run();

    int m_fd = -1;
    std::atomic_bool m_stop{false};
    std::atomic_int m_accepted{0};
    std::mutex m_mutex;
    std::condition_variable m_acceptedChanged;
    std::thread m_thread;
};
