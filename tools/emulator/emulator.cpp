// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "emulator.h"

#include "channel.h"
#include "core/fullio.h"
#include "usbmuxprotocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr uint16_t LockdownPort = 62078;
constexpr uint16_t ProductId = 0x12A8; // an iPhone

uint32_t locationId(const auto &device)
{
    return (1u << 16) | device.id;
}

int listenUnix(const std::string &path, std::string *error)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        *error = "socket path is empty or longer than " + std::to_string(sizeof addr.sun_path - 1) + " bytes: " + path;
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    // Replace only a stale socket, never another kind of file.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *error = path + " exists and is not a socket";
            return -1;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

bool recvExact(int fd, void *buffer, size_t size)
{
    return readFull(fd, buffer, size) == static_cast<ssize_t>(size);
}

bool sendAll(int fd, const Bytes &data)
{
    return sendFull(fd, data.data(), data.size());
}

} // namespace

Emulator::Emulator(EmulatorOptions options)
    : m_options(std::move(options))
    , m_buid(randomUuid())
{
}

Emulator::~Emulator()
{
    for (int fd : {m_listenFd, m_controlFd, m_wakePipe[0], m_wakePipe[1]})
        if (fd >= 0)
            ::close(fd);
    for (auto &device : m_devices)
        for (int fd : device->heldLockFds)
            ::close(fd);
}

bool Emulator::start(std::string *error)
{
    if (::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    for (const auto &dir : m_options.deviceDirs) {
        Device *device = loadDevice(dir, error);
        if (!device)
            return false;
        device->attached = true;
    }
    for (const auto &dir : m_options.detachedDirs)
        if (!loadDevice(dir, error))
            return false;
    for (const auto &dir : m_options.networkDirs) {
        Device *device = findDevice(dir);
        if (!device)
            device = loadDevice(dir, error);
        if (!device || !attachNetwork(*device, error))
            return false;
    }
    if (!m_options.tracePath.empty() && !m_trace.open(m_options.tracePath, error))
        return false;
    m_listenFd = listenUnix(m_options.socketPath, error);
    if (m_listenFd < 0)
        return false;
    if (!m_options.controlPath.empty()) {
        m_controlFd = listenUnix(m_options.controlPath, error);
        if (m_controlFd < 0)
            return false;
    }
    return true;
}

Emulator::Device *Emulator::loadDevice(const std::string &dir, std::string *error)
{
    std::unique_ptr<FolderDevice> folder = FolderDevice::load(dir, error);
    if (!folder)
        return nullptr;
    std::lock_guard lock(m_mutex);
    for (const auto &existing : m_devices) {
        if (existing->folder->udid() == folder->udid()) {
            *error = "two devices share the UniqueDeviceID " + folder->udid();
            return nullptr;
        }
    }
    auto device = std::make_unique<Device>();
    device->id = m_nextDeviceId++;
    device->link = std::make_unique<LinkModel>(m_options.latencyMs, m_options.bandwidthBytesPerSecond);
    for (const auto &path : m_options.heldLocks) {
        // The emulator itself keeps these files locked, as another host syncing would.
        const auto host = folder->folder().resolve(path, true);
        const int fd = host ? ::open(host->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644) : -1;
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            *error = "cannot hold the lock on " + path + " of " + dir;
            if (fd >= 0)
                ::close(fd);
            return nullptr;
        }
        device->heldLockFds.push_back(fd);
    }
    device->folder = std::move(folder);
    m_devices.push_back(std::move(device));
    return m_devices.back().get();
}

void Emulator::run()
{
    while (!m_stopping) {
        pollfd fds[3] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}, {m_controlFd, POLLIN, 0}};
        const int count = m_controlFd >= 0 ? 3 : 2;
        if (::poll(fds, nfds_t(count), 1000) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char buf[16];
            ssize_t n;
            while ((n = ::read(m_wakePipe[0], buf, sizeof buf)) > 0) {
                for (ssize_t i = 0; i < n; ++i)
                    if (buf[i] == 'c' && !m_options.countersPath.empty())
                        m_counters.writeTo(m_options.countersPath);
            }
        }
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                auto connection = std::make_shared<Connection>();
                connection->fd = fd;
                {
                    std::lock_guard lock(m_mutex);
                    connection->id = m_nextConnectionId++;
                    m_connections.push_back(connection);
                }
                spawn([this, connection] { serveUsbmux(connection); });
            }
        }
        if (count == 3 && (fds[2].revents & POLLIN)) {
            const int fd = ::accept4(m_controlFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                spawn([this, fd] { serveControl(fd); });
        }
        reapWorkers(false);
    }
    // Unplug everything: every open stream ends, so every worker returns.
    ::unlink(m_options.socketPath.c_str());
    if (!m_options.controlPath.empty())
        ::unlink(m_options.controlPath.c_str());
    {
        std::lock_guard lock(m_mutex);
        for (const auto &connection : m_connections)
            ::shutdown(connection->fd, SHUT_RDWR);
        for (const NetworkPort &port : m_networkPorts)
            ::shutdown(port.fd, SHUT_RDWR);
        for (const auto &device : m_devices)
            device->link->freeze(false);
    }
    reapWorkers(true);
    if (!m_options.countersPath.empty())
        m_counters.writeTo(m_options.countersPath);
}

void Emulator::stop()
{
    m_stopping = true;
    const char q = 'q';
    [[maybe_unused]] ssize_t n = ::write(m_wakePipe[1], &q, 1);
}

void Emulator::dumpCounters()
{
    const char c = 'c';
    [[maybe_unused]] ssize_t n = ::write(m_wakePipe[1], &c, 1);
}

void Emulator::spawn(std::function<void()> job)
{
    auto done = std::make_shared<std::atomic_bool>(false);
    std::thread thread([job = std::move(job), done] {
        job();
        *done = true;
    });
    std::lock_guard lock(m_mutex);
    m_workers.push_back(Worker{std::move(thread), done});
}

void Emulator::reapWorkers(bool all)
{
    for (;;) {
        std::list<Worker> finished;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_workers.begin(); it != m_workers.end();) {
                if (all || *it->done) {
                    finished.push_back(std::move(*it));
                    it = m_workers.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (finished.empty())
            return;
        for (auto &worker : finished)
            worker.thread.join();
        if (!all)
            return;
        // A worker may have spawned nothing, but connections accepted before the stop are
        // already shut down; loop until the list is empty.
        std::lock_guard lock(m_mutex);
        for (const auto &connection : m_connections)
            ::shutdown(connection->fd, SHUT_RDWR);
    }
}

Bytes Emulator::attachedMessage(const Device &device, uint32_t tag, bool network) const
{
    const uint32_t id = network ? device.networkId : device.id;
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("Attached"));
    plist_dict_set_item(dict.get(), "DeviceID", plist_new_uint(id));
    plist_t props = plist_new_dict();
    if (network) {
        // A BSD sockaddr_in: length, family, port (unused), the IPv4 address, zeros.
        char address[16] = {16, 2};
        std::memcpy(address + 4, &device.networkAddress, 4);
        plist_dict_set_item(props, "ConnectionType", plist_new_string("Network"));
        plist_dict_set_item(props, "NetworkAddress", plist_new_data(address, sizeof address));
    } else {
        plist_dict_set_item(props, "ConnectionSpeed", plist_new_uint(480000000));
        plist_dict_set_item(props, "ConnectionType", plist_new_string("USB"));
        plist_dict_set_item(props, "LocationID", plist_new_uint(locationId(device)));
    }
    plist_dict_set_item(props, "DeviceID", plist_new_uint(id));
    plist_dict_set_item(props, "ProductID", plist_new_uint(ProductId));
    plist_dict_set_item(props, "SerialNumber", plist_new_string(device.folder->udid().c_str()));
    plist_dict_set_item(dict.get(), "Properties", props);
    return usbmux::encodePacket(tag, dict.get());
}

// Callers hold m_mutex.
void Emulator::broadcast(const Bytes &plistPacket, const Bytes &binaryPacket)
{
    for (const auto &connection : m_connections) {
        if (!connection->listener)
            continue;
        const Bytes &packet = connection->binary ? binaryPacket : plistPacket;
        if (packet.empty())
            continue; // protocol 0 has no network devices
        if (m_trace.enabled())
            m_trace.line(connection->id, "usbmux", '<', trace::describeUsbmux(packet.data(), packet.size()));
        std::lock_guard lock(connection->writeMutex);
        sendAll(connection->fd, packet);
    }
}

Bytes Emulator::binaryAttachedMessage(const Device &device) const
{
    return usbmux::encodeBinaryDeviceAdd(device.id, ProductId, device.folder->udid(), locationId(device));
}

bool Emulator::attach(Device &device)
{
    std::lock_guard lock(m_mutex);
    if (device.attached)
        return false;
    device.attached = true;
    broadcast(attachedMessage(device, 0), binaryAttachedMessage(device));
    return true;
}

bool Emulator::detach(Device &device)
{
    std::lock_guard lock(m_mutex);
    if (!device.attached)
        return false;
    device.attached = false;
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("Detached"));
    plist_dict_set_item(dict.get(), "DeviceID", plist_new_uint(device.id));
    broadcast(usbmux::encodePacket(0, dict.get()), usbmux::encodeBinaryDeviceRemove(device.id));
    // An unplugged device takes its open streams and service ports with it.
    for (const auto &connection : m_connections)
        if (connection->deviceId == device.id)
            ::shutdown(connection->fd, SHUT_RDWR);
    // Ports a client on the network started stay while the device is on the network.
    if (!device.onNetwork)
        for (auto it = m_services.begin(); it != m_services.end();)
            it = it->second.deviceId == device.id ? m_services.erase(it) : std::next(it);
    return true;
}

bool Emulator::attachNetwork(Device &device, std::string *error)
{
    {
        std::lock_guard lock(m_mutex);
        if (device.onNetwork) {
            *error = device.folder->udid() + " is already on the network";
            return false;
        }
        if (device.networkId == 0)
            device.networkId = m_nextDeviceId++;
    }
    device.link->freeze(false);
    // An address of the device's own in 127.0.0.0/8, so that several emulators (and devices)
    // take the fixed lockdown port at once; one another process holds is passed over.
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 32; ++attempt) {
        const uint32_t host = (127u << 24) | (uint32_t(random()) & 0xfffffeu) | 1u;
        {
            std::lock_guard lock(m_mutex);
            device.networkAddress = htonl(host);
            device.onNetwork = true;
        }
        if (listenOnNetwork(device.id, LockdownPort)) {
            std::lock_guard lock(m_mutex);
            broadcast(attachedMessage(device, 0, true), Bytes());
            return true;
        }
        std::lock_guard lock(m_mutex);
        device.onNetwork = false;
    }
    *error = "no loopback address to put " + device.folder->udid() + " on the network";
    return false;
}

bool Emulator::detachNetwork(Device &device, bool silent)
{
    std::lock_guard lock(m_mutex);
    if (!device.onNetwork)
        return false;
    device.onNetwork = false;
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("Detached"));
    plist_dict_set_item(dict.get(), "DeviceID", plist_new_uint(device.networkId));
    broadcast(usbmux::encodePacket(0, dict.get()), Bytes());
    // The device is out of reach: its ports close and its open streams end.
    for (const NetworkPort &port : m_networkPorts)
        if (port.deviceId == device.id)
            ::shutdown(port.fd, SHUT_RDWR);
    if (silent)
        device.link->freeze(true);
    else
        for (const auto &connection : m_connections)
            if (connection->deviceId == device.networkId)
                ::shutdown(connection->fd, SHUT_RDWR);
    if (!device.attached)
        for (auto it = m_services.begin(); it != m_services.end();)
            it = it->second.deviceId == device.id ? m_services.erase(it) : std::next(it);
    return true;
}

bool Emulator::listenOnNetwork(uint32_t deviceId, uint16_t port)
{
    Device *device = nullptr;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    {
        std::lock_guard lock(m_mutex);
        for (const auto &d : m_devices)
            if (d->id == deviceId && d->onNetwork)
                device = d.get();
        if (!device)
            return false;
        address.sin_addr.s_addr = device->networkAddress;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0
        || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_networkPorts.push_back(NetworkPort{fd, deviceId});
    }
    spawn([this, fd, device, port] {
        for (;;) {
            const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0 && (errno == EINTR || errno == ECONNABORTED))
                continue;
            if (client < 0)
                break; // shut down: the device left the network, or the emulator stops
            spawn([this, device, client, port] { serveNetworkClient(*device, client, port); });
        }
        std::lock_guard lock(m_mutex);
        m_networkPorts.remove_if([fd](const NetworkPort &p) { return p.fd == fd; });
        ::close(fd);
    });
    return true;
}

void Emulator::serveNetworkClient(Device &device, int fd, uint16_t port)
{
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    {
        std::lock_guard lock(m_mutex);
        connection->id = m_nextConnectionId++;
        connection->deviceId = device.networkId;
        const bool known = device.onNetwork
                           && (port == LockdownPort || (m_services.count(port) && m_services[port].deviceId == device.id));
        if (known)
            m_connections.push_back(connection);
        else
            connection->deviceId = 0;
    }
    m_counters.add("network.connect");
    if (connection->deviceId != 0)
        serveDevicePort(connection, device, port);
    {
        std::lock_guard lock(m_mutex);
        m_connections.remove(connection);
    }
    ::close(fd);
}

Emulator::Device *Emulator::findDevice(const std::string &udidOrDir)
{
    std::lock_guard lock(m_mutex);
    for (const auto &device : m_devices)
        if (device->folder->udid() == udidOrDir || device->folder->dir() == udidOrDir)
            return device.get();
    return nullptr;
}

void Emulator::serveUsbmux(const std::shared_ptr<Connection> &connection)
{
    const int fd = connection->fd;
    auto reply = [&](const Bytes &packet) {
        if (m_trace.enabled())
            m_trace.line(connection->id, "usbmux", '<', trace::describeUsbmux(packet.data(), packet.size()));
        std::lock_guard lock(connection->writeMutex);
        return sendAll(fd, packet);
    };
    for (;;) {
        Bytes packet(usbmux::HeaderSize);
        if (!recvExact(fd, packet.data(), packet.size()))
            break;
        if (connection->listener)
            continue; // a listening client sends nothing more; ignore whatever arrives
        auto header = usbmux::parseHeader(packet.data(), packet.size());
        if (!header) {
            std::fprintf(stderr, "usbmux: %s; closing the connection\n", header.error.c_str());
            break;
        }
        packet.resize(header.value->length);
        if (!recvExact(fd, packet.data() + usbmux::HeaderSize, packet.size() - usbmux::HeaderSize))
            break;
        if (m_trace.enabled())
            m_trace.line(connection->id, "usbmux", '>', trace::describeUsbmux(packet.data(), packet.size()));
        const uint32_t tag = header.value->tag;
        // As usbmuxd does: protocol versions 0 and 1 only, and a request that cannot be
        // served is answered, not hung up on; the length keeps the stream in step.
        if (header.value->version > 1) {
            m_counters.add("usbmux.(bad version)");
            if (!reply(usbmux::encodeResult(tag, usbmux::ResultBadVersion, connection->binary)))
                break;
            continue;
        }
        // Answers follow the protocol of the request; events that of the Listen.
        if (header.value->message == usbmux::MessagePlist)
            connection->binary = false;
        else if (header.value->message == usbmux::MessageListen || header.value->message == usbmux::MessageConnect)
            connection->binary = true;
        auto request = usbmux::parseRequest(*header.value, packet.data() + usbmux::HeaderSize,
                                            packet.size() - usbmux::HeaderSize);
        if (!request) {
            std::fprintf(stderr, "usbmux: %s\n", request.error.c_str());
            m_counters.add("usbmux.(bad request)");
            if (!reply(usbmux::encodeResult(tag, usbmux::ResultBadCommand, connection->binary)))
                break;
            continue;
        }
        const usbmux::Request &r = *request.value;
        m_counters.add("usbmux." + r.messageType);
        const bool binary = connection->binary;
        if (r.messageType == "ListDevices") {
            PlistPtr dict(plist_new_dict());
            plist_t list = plist_new_array();
            {
                std::lock_guard lock(m_mutex);
                for (const auto &device : m_devices) {
                    for (const bool network : {false, true}) {
                        if (!(network ? device->onNetwork : device->attached))
                            continue;
                        const Bytes packet = attachedMessage(*device, 0, network);
                        plist_t entry = nullptr;
                        plist_from_xml(reinterpret_cast<const char *>(packet.data()) + usbmux::HeaderSize,
                                       uint32_t(packet.size() - usbmux::HeaderSize), &entry);
                        if (entry)
                            plist_array_append_item(list, entry);
                    }
                }
            }
            plist_dict_set_item(dict.get(), "DeviceList", list);
            if (!reply(usbmux::encodePacket(tag, dict.get())))
                break;
        } else if (r.messageType == "Listen") {
            // Registering and announcing present devices under one lock keeps events in order.
            std::lock_guard lock(m_mutex);
            std::lock_guard writeLock(connection->writeMutex);
            connection->listener = true;
            std::vector<Bytes> packets{usbmux::encodeResult(tag, usbmux::ResultOk, binary)};
            for (const auto &device : m_devices) {
                if (device->attached)
                    packets.push_back(binary ? binaryAttachedMessage(*device) : attachedMessage(*device, 0));
                if (device->onNetwork && !binary)
                    packets.push_back(attachedMessage(*device, 0, true));
            }
            for (const Bytes &packet : packets) {
                if (m_trace.enabled())
                    m_trace.line(connection->id, "usbmux", '<', trace::describeUsbmux(packet.data(), packet.size()));
                sendAll(fd, packet);
            }
        } else if (r.messageType == "Connect") {
            Device *target = nullptr;
            uint32_t result = usbmux::ResultBadDevice;
            if (r.deviceId && !r.port) {
                // usbmuxd's answer to a Connect without PortNumber (without DeviceID: BADDEV)
                if (!reply(usbmux::encodeResult(tag, usbmux::ResultBadCommand, binary)))
                    break;
                continue;
            }
            {
                std::lock_guard lock(m_mutex);
                // A network device's id is taken too, as daemons that report them do.
                uint32_t presence = 0;
                for (const auto &device : m_devices) {
                    if (device->attached && r.deviceId && device->id == *r.deviceId)
                        target = device.get();
                    if (device->onNetwork && r.deviceId && device->networkId == *r.deviceId)
                        target = device.get();
                }
                if (target)
                    presence = uint32_t(*r.deviceId);
                if (target) {
                    const bool known = r.port && (*r.port == LockdownPort
                                                  || (m_services.count(*r.port) && m_services[*r.port].deviceId == target->id));
                    result = known ? usbmux::ResultOk : usbmux::ResultConnectionRefused;
                    if (known)
                        connection->deviceId = presence;
                }
            }
            if (!reply(usbmux::encodeResult(tag, result, binary)))
                break;
            if (result != usbmux::ResultOk)
                continue;
            serveDevicePort(connection, *target, *r.port);
            break;
        } else if (r.messageType == "ReadBUID") {
            PlistPtr dict(plist_new_dict());
            plist_dict_set_item(dict.get(), "BUID", plist_new_string(m_buid.c_str()));
            if (!reply(usbmux::encodePacket(tag, dict.get())))
                break;
        } else if (r.messageType == "ReadPairRecord") {
            Device *device = r.pairRecordId ? findDevice(*r.pairRecordId) : nullptr;
            Bytes record;
            if (device && device->folder->paired() && !m_options.refusePairing)
                record = device->folder->pairRecord();
            if (!r.pairRecordId) {
                reply(usbmux::encodeResult(tag, 22));
            } else if (record.empty()) {
                // Never "OK without data": the client would read a null record.
                reply(usbmux::encodeResult(tag, 2));
            } else {
                PlistPtr dict(plist_new_dict());
                plist_dict_set_item(dict.get(), "PairRecordData",
                                    plist_new_data(reinterpret_cast<const char *>(record.data()), record.size()));
                reply(usbmux::encodePacket(tag, dict.get()));
            }
        } else if (r.messageType == "SavePairRecord") {
            Device *device = r.pairRecordId ? findDevice(*r.pairRecordId) : nullptr;
            if (device && !r.pairRecordData.empty())
                device->folder->savePairRecord(r.pairRecordData);
            reply(usbmux::encodeResult(tag, device && !r.pairRecordData.empty() ? 0 : 22));
        } else if (r.messageType == "DeletePairRecord") {
            reply(usbmux::encodeResult(tag, r.pairRecordId ? 0u : 22u));
        } else {
            reply(usbmux::encodeResult(tag, usbmux::ResultBadCommand, binary));
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_connections.remove(connection);
    }
    ::close(fd);
}

void Emulator::serveDevicePort(const std::shared_ptr<Connection> &connection, Device &device, uint16_t port)
{
    Channel channel(connection->fd, device.link.get());
    if (port == LockdownPort) {
        serveLockdown(channel, device, connection->id);
        return;
    }
    std::string service;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_services.find(port);
        if (it != m_services.end())
            service = it->second.name;
    }
    if (service == "com.apple.afc")
        serveAfc(channel, device, connection->id, device.folder->folder());
    else if (service == "com.apple.mobile.notification_proxy" || service == "com.apple.mobile.insecure_notification_proxy")
        serveNotificationProxy(channel, device, connection->id);
    else if (service == "com.apple.mobile.installation_proxy")
        serveInstallationProxy(channel, device, connection->id);
    else if (service == "com.apple.mobile.house_arrest")
        serveHouseArrest(channel, device, connection->id);
    else if (service == "com.apple.springboardservices")
        serveSpringboard(channel, device, connection->id);
}

void Emulator::serveControl(int fd)
{
    // A control client that never finishes its line must not hold up the shutdown.
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string line;
    char c;
    while (line.size() < 4096 && ::recv(fd, &c, 1, 0) == 1 && c != '\n')
        line.push_back(c);
    const std::string answer = command(line);
    sendAll(fd, Bytes(answer.begin(), answer.end()));
    ::close(fd);
}

std::string Emulator::command(const std::string &line)
{
    std::istringstream in(line);
    std::string verb, arg, arg2;
    in >> verb >> arg >> arg2;
    if (verb == "list") {
        std::lock_guard lock(m_mutex);
        std::string out;
        for (const auto &device : m_devices)
            out += std::to_string(device->id) + " " + device->folder->udid() + " "
                + (device->attached ? "attached " : "detached ") + (device->onNetwork ? "network " : "")
                + device->folder->dir() + "\n";
        return out;
    }
    if (verb == "counters")
        return m_counters.text();
    if (verb == "wait") {
        char *end = nullptr;
        const unsigned long long count = std::strtoull(arg2.c_str(), &end, 10);
        if (arg.empty() || arg2.empty() || *end)
            return "error: wait needs a counter name and a count\n";
        return m_counters.waitFor(arg, count, std::chrono::seconds(30)) ? "ok\n" : "error: timed out\n";
    }
    if (verb == "attach" || verb == "detach") {
        if (arg.empty())
            return "error: " + verb + " needs a UDID or a device folder\n";
        Device *device = findDevice(arg);
        if (!device && verb == "attach") {
            std::string error;
            device = loadDevice(arg, &error);
            if (!device)
                return "error: " + error + "\n";
        }
        if (!device)
            return "error: no device " + arg + "\n";
        const bool changed = verb == "attach" ? attach(*device) : detach(*device);
        return changed ? "ok\n" : "error: " + arg + " is already " + verb + "ed\n";
    }
    if (verb == "attach-network" || verb == "detach-network") {
        Device *device = arg.empty() ? nullptr : findDevice(arg);
        std::string error;
        if (!device && verb == "attach-network" && !arg.empty())
            device = loadDevice(arg, &error);
        if (!device)
            return "error: " + (error.empty() ? "no device " + arg : error) + "\n";
        if (verb == "detach-network")
            return detachNetwork(*device, arg2 == "silent") ? "ok\n" : "error: " + arg + " is not on the network\n";
        return attachNetwork(*device, &error) ? "ok\n" : "error: " + error + "\n";
    }
    if (verb == "hold" || verb == "release") {
        Device *device = arg.empty() ? nullptr : findDevice(arg);
        if (!device)
            return "error: no device " + arg + "\n";
        std::lock_guard lock(m_mutex);
        if (verb == "release") {
            for (int held : device->heldLockFds)
                ::close(held);
            device->heldLockFds.clear();
            return "ok\n";
        }
        const auto host = device->folder->folder().resolve(arg2.empty() ? "/com.apple.itunes.lock_sync" : arg2, true);
        const int held = host ? ::open(host->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644) : -1;
        if (held < 0)
            return "error: cannot open the lock file\n";
        if (::flock(held, LOCK_EX | LOCK_NB) != 0) {
            ::close(held);
            return "error: the lock is held by someone else\n";
        }
        device->heldLockFds.push_back(held);
        return "ok\n";
    }
    return "error: unknown command \"" + verb + "\" (list, attach, detach, attach-network, detach-network, hold, release, counters, wait)\n";
}
