// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The device emulator: a usbmuxd on a UNIX socket that serves folder devices through
// lockdownd (with its TLS session), AFC, the notification proxy, and the apps' services
// (installation_proxy, house_arrest, springboard icons), as the installed
// libimobiledevice expects them. Every accepted connection gets its own thread, so every
// socket is drained continuously and slow requests never hold up others.
// An optional control socket takes one text command per connection (see emulatorUsage()).

#include "counters.h"
#include "emulatoroptions.h"
#include "folderdevice.h"
#include "linkmodel.h"
#include "trace.h"

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class Channel;

class Emulator
{
public:
    explicit Emulator(EmulatorOptions options);
    ~Emulator();
    Emulator(const Emulator &) = delete;
    Emulator &operator=(const Emulator &) = delete;

    // Loads the devices and opens the sockets; false with *error when that fails.
    bool start(std::string *error);
    // Serves until stop() (which is async-signal-safe) is called; writes the counters on exit.
    void run();
    void stop();
    void dumpCounters(); // async-signal-safe request to write the counters file

    Counters &counters() { return m_counters; }
    const EmulatorOptions &options() const { return m_options; }

    // Control commands (also used by the control socket); the answer is one or more lines.
    std::string command(const std::string &line);

private:
    struct Device
    {
        uint32_t id = 0;
        std::unique_ptr<FolderDevice> folder;
        std::unique_ptr<LinkModel> link;
        bool attached = false; // by cable
        // On the network (Wi-Fi): announced under an id of its own, as usbmuxd does, and
        // reached by TCP at its own loopback address (network order), as a phone is.
        uint32_t networkId = 0;
        bool onNetwork = false;
        uint32_t networkAddress = 0;
        std::vector<int> heldLockFds;
    };
    struct Connection
    {
        uint64_t id = 0; // names the connection in the trace
        int fd = -1;
        std::atomic_bool binary{true}; // usbmuxd protocol 0 until a plist request arrives
        uint32_t deviceId = 0; // set once the connection became a device-port stream
        bool listener = false;
        std::mutex writeMutex;
    };
    struct Service
    {
        uint32_t deviceId;
        std::string name;
    };
    // A TCP port a network device takes connections on (lockdown, or a started service).
    struct NetworkPort
    {
        int fd;
        uint32_t deviceId; // Device::id
    };
    struct Worker
    {
        std::thread thread;
        std::shared_ptr<std::atomic_bool> done;
    };

    Device *loadDevice(const std::string &dir, std::string *error);
    bool attach(Device &device);
    bool detach(Device &device);
    // The device's network presence, beside or instead of the cable; false with *error
    // when its address cannot be listened on.
    bool attachNetwork(Device &device, std::string *error);
    // `silent`: the device walks out of range; its open streams stay but are answered no more.
    bool detachNetwork(Device &device, bool silent = false);
    // Listens on the network device's address at `port` and serves what connects there.
    // Callers do not hold m_mutex; nothing happens for a device not on the network.
    bool listenOnNetwork(uint32_t deviceId, uint16_t port);
    void serveNetworkClient(Device &device, int fd, uint16_t port);
    Device *findDevice(const std::string &udidOrDir);
    // Sends an event to every listener in the protocol it listens with.
    void broadcast(const Bytes &plistPacket, const Bytes &binaryPacket);
    Bytes attachedMessage(const Device &device, uint32_t tag, bool network = false) const;
    Bytes binaryAttachedMessage(const Device &device) const;

    void spawn(std::function<void()> job);
    void reapWorkers(bool all);
    void serveUsbmux(const std::shared_ptr<Connection> &connection);
    void serveControl(int fd);
    void serveDevicePort(const std::shared_ptr<Connection> &connection, Device &device, uint16_t port);

    std::optional<uint16_t> allocateServicePort(uint32_t deviceId, const std::string &service);
    void serveLockdown(Channel &channel, Device &device, uint64_t connection);
    // The file service on the device's root, or (house_arrest) on an app's container.
    void serveAfc(Channel &channel, Device &device, uint64_t connection, const AfcFolder &folder);
    void serveNotificationProxy(Channel &channel, Device &device, uint64_t connection);
    void serveInstallationProxy(Channel &channel, Device &device, uint64_t connection);
    void serveHouseArrest(Channel &channel, Device &device, uint64_t connection);
    void serveSpringboard(Channel &channel, Device &device, uint64_t connection);

    EmulatorOptions m_options;
    Counters m_counters;
    Trace m_trace;
    std::string m_buid;
    int m_listenFd = -1;
    int m_controlFd = -1;
    int m_wakePipe[2] = {-1, -1};
    std::atomic_bool m_stopping{false};

    std::mutex m_mutex; // guards everything below
    std::list<std::unique_ptr<Device>> m_devices;
    uint32_t m_nextDeviceId = 1;
    uint64_t m_nextConnectionId = 1;
    std::list<std::shared_ptr<Connection>> m_connections;
    std::map<uint16_t, Service> m_services;
    uint16_t m_nextPort = 49152;
    std::list<Worker> m_workers;
    std::list<NetworkPort> m_networkPorts;
};
