// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/usb/muxsocketwatch.h"

#include "core/log.h"
#include "core/plistptr.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char *DefaultSocket = "/var/run/usbmuxd";
// A daemon that refuses, hangs up or cannot be reached is tried again this long after,
// doubling each time.
constexpr int FirstRetryMs = 100;
constexpr int LastRetryMs = 2000;
// A TCP connection that has not come up by then is given up (and tried again).
constexpr int ConnectTimeoutMs = 5000;
// Event messages are a few hundred bytes; anything near this is not usbmuxd speaking.
constexpr uint32_t MaxPacket = 1u << 20;

// usbmuxd's packet header, little-endian on the wire.
constexpr std::size_t HeaderSize = 16;
constexpr uint32_t PlistVersion = 1;
constexpr uint32_t PlistMessage = 8;

void putLe32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

uint32_t getLe32(const char *p)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uint8_t(p[i]);
    return value;
}

std::string stringItem(plist_t dict, const char *key)
{
    plist_t node = dict ? plist_dict_get_item(dict, key) : nullptr;
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char *value = nullptr;
    plist_get_string_val(node, &value);
    std::string out = value ? value : "";
    std::free(value);
    return out;
}

bool uintItem(plist_t dict, const char *key, uint64_t *out)
{
    plist_t node = dict ? plist_dict_get_item(dict, key) : nullptr;
    if (!node || plist_get_node_type(node) != PLIST_UINT)
        return false;
    plist_get_uint_val(node, out);
    return true;
}

// The identifier as libusbmuxd makes it from the serial number, which is what
// libimobiledevice is later given and looks the device up by.
std::string deviceIdentifier(std::string serial, uint64_t deviceId)
{
    if (serial.size() == 24) {
        serial.insert(serial.begin() + 8, '-');
    } else if (serial.size() == 40 && serial.find_first_not_of('f') == std::string::npos) {
        char id[9];
        std::snprintf(id, sizeof id, "%08x", unsigned(deviceId));
        serial.replace(32, 8, id);
    }
    if (serial.size() > 43)
        serial.resize(43);
    return serial;
}

int msUntil(Clock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, 60000));
}

} // namespace

MuxAddress muxAddress()
{
    MuxAddress out;
    const char *value = std::getenv("USBMUXD_SOCKET_ADDRESS");
    const std::string address = value ? value : "";
    if (address.rfind("UNIX:", 0) == 0) {
        out.file = address.size() > 5 ? address.substr(5) : DefaultSocket;
        return out;
    }
    // host:port, split at the last colon; anything else means the default socket.
    const std::size_t colon = address.rfind(':');
    if (colon != std::string::npos && colon > 0 && colon + 1 < address.size()) {
        const std::string port = address.substr(colon + 1);
        char *end = nullptr;
        const long number = std::strtol(port.c_str(), &end, 10);
        if (*end == '\0' && number >= 1 && number <= 65535 && std::isdigit(static_cast<unsigned char>(port[0]))) {
            std::string host = address.substr(0, colon);
            if (host.size() > 2 && host.front() == '[' && host.back() == ']')
                host = host.substr(1, host.size() - 2);
            out.host = host;
            out.port = port;
            return out;
        }
    }
    out.file = DefaultSocket;
    return out;
}

// One connection to a daemon and what it announced on it.
struct MuxSocketWatch::Link
{
    int fd = -1;
    bool connecting = false; // a TCP connect still in progress
    bool up = false;         // `up` was called for it
    Clock::time_point since; // when it came up (or started connecting)
    std::string received;    // bytes not yet making a whole packet
    std::map<uint64_t, MuxDeviceEvent> devices; // announced, by usbmuxd's device number

    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        connecting = false;
        up = false;
        received.clear();
        devices.clear();
    }
};

MuxSocketWatch::MuxSocketWatch(MuxAddress address, std::function<void()> up, std::function<void()> down,
                               EventHandler event)
    : m_address(std::move(address))
    , m_up(std::move(up))
    , m_down(std::move(down))
    , m_event(std::move(event))
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_thread = std::thread([this] { run(); });
}

MuxSocketWatch::MuxSocketWatch(std::string socketFile, std::function<void()> up, std::function<void()> down,
                               EventHandler event)
    : MuxSocketWatch(MuxAddress{std::move(socketFile), {}, {}}, std::move(up), std::move(down), std::move(event))
{
}

MuxSocketWatch::~MuxSocketWatch()
{
    m_stop = true;
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
        // The thread still sees m_stop within its longest wait (see run()).
    }
    m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

// Starts a connection: false when none could be started.
bool MuxSocketWatch::open(Link &link)
{
    link.since = Clock::now();
    if (!m_address.file.empty()) {
        sockaddr_un address{};
        if (m_address.file.size() >= sizeof address.sun_path)
            return false;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_address.file.c_str(), m_address.file.size() + 1);
        link.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (link.fd < 0)
            return false;
        // A full backlog (EAGAIN) counts as a refusal: the daemon is not taking connections.
        if (::connect(link.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            link.close();
            return false;
        }
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (::getaddrinfo(m_address.host.c_str(), m_address.port.c_str(), &hints, &found) != 0 || !found)
        return false;
    for (addrinfo *a = found; a && link.fd < 0; a = a->ai_next) {
        link.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (link.fd < 0)
            continue;
        if (::connect(link.fd, a->ai_addr, a->ai_addrlen) == 0)
            break;
        if (errno == EINPROGRESS) {
            link.connecting = true;
            break;
        }
        link.close();
    }
    ::freeaddrinfo(found);
    return link.fd >= 0;
}

// Asks for device events; false when the request could not be sent whole.
bool MuxSocketWatch::sendListen(Link &link)
{
    PlistPtr request(plist_new_dict());
    plist_dict_set_item(request.get(), "MessageType", plist_new_string("Listen"));
    plist_dict_set_item(request.get(), "ClientVersionString", plist_new_string("bookferry"));
    plist_dict_set_item(request.get(), "ProgName", plist_new_string(program_invocation_short_name));
    plist_dict_set_item(request.get(), "kLibUSBMuxVersion", plist_new_uint(3));
    char *xml = nullptr;
    uint32_t size = 0;
    plist_to_xml(request.get(), &xml, &size);
    std::string packet;
    putLe32(packet, uint32_t(HeaderSize + size));
    putLe32(packet, PlistVersion);
    putLe32(packet, PlistMessage);
    putLe32(packet, 1); // the tag of the answer; events come with 0
    packet.append(xml ? xml : "", size);
    std::free(xml);
    // A fresh socket's buffer takes the few hundred bytes at once.
    const ssize_t sent = ::send(link.fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent == ssize_t(packet.size());
}

// Reads what arrived and handles each whole packet; false when the connection is over
// (closed, broken, or speaking something else than usbmuxd's plist protocol).
bool MuxSocketWatch::receive(Link &link)
{
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(link.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            return false;
        }
        link.received.append(buffer, std::size_t(n));
        while (link.received.size() >= HeaderSize) {
            const uint32_t length = getLe32(link.received.data());
            const uint32_t message = getLe32(link.received.data() + 8);
            if (length < HeaderSize || length > MaxPacket || message != PlistMessage)
                return false;
            if (link.received.size() < length)
                break;
            if (!handle(link, link.received.data() + HeaderSize, length - HeaderSize))
                return false;
            link.received.erase(0, length);
        }
    }
    return true;
}

// One message: the answer to Listen, or a device event. False when the daemon refused.
bool MuxSocketWatch::handle(Link &link, const char *payload, std::size_t size)
{
    plist_t raw = nullptr;
    plist_from_memory(payload, uint32_t(size), &raw);
    PlistPtr message(raw);
    if (!message || plist_get_node_type(message.get()) != PLIST_DICT)
        return true; // nothing this watch can use; the next message may be
    const std::string type = stringItem(message.get(), "MessageType");
    uint64_t number = 0;
    if (type == "Result") {
        if (uintItem(message.get(), "Number", &number) && number != 0) {
            logMessage("Subscribing to device notifications failed: usbmuxd answered " + std::to_string(number));
            return false;
        }
    } else if (type == "Attached") {
        plist_t properties = plist_dict_get_item(message.get(), "Properties");
        if (!properties || plist_get_node_type(properties) != PLIST_DICT)
            return true;
        const std::string serial = stringItem(properties, "SerialNumber");
        if ((!uintItem(properties, "DeviceID", &number) && !uintItem(message.get(), "DeviceID", &number)) || number == 0
            || serial.empty())
            return true;
        MuxDeviceEvent event;
        event.udid = deviceIdentifier(serial, number);
        event.usb = stringItem(properties, "ConnectionType") != "Network";
        if (plist_t address = plist_dict_get_item(properties, "NetworkAddress");
            !event.usb && address && plist_get_node_type(address) == PLIST_DATA) {
            uint64_t length = 0;
            const char *bytes = plist_get_data_ptr(address, &length);
            if (bytes && length <= 128)
                event.networkAddress.assign(bytes, std::size_t(length));
        }
        link.devices[number] = event;
        if (m_event)
            m_event(event);
    } else if (type == "Detached" || type == "Paired") {
        if (!uintItem(message.get(), "DeviceID", &number))
            return true;
        auto it = link.devices.find(number);
        if (it == link.devices.end())
            return true; // never announced here
        MuxDeviceEvent event = it->second;
        event.kind = type == "Detached" ? MuxDeviceEvent::Kind::Detached : MuxDeviceEvent::Kind::Paired;
        if (event.kind == MuxDeviceEvent::Kind::Detached)
            link.devices.erase(it);
        if (m_event)
            m_event(event);
    }
    return true;
}

void MuxSocketWatch::run()
{
    const std::string &path = m_address.file;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0                ? std::string("/")
                                                           : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    const int notify = path.empty() ? -1 : ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    int watch = -1;
    Link link;
    int retryMs = FirstRetryMs;
    Clock::time_point nextTry = Clock::now();

    // The connection failed or ended: the next one is tried after the back-off.
    auto retryLater = [&] {
        const bool wasUp = link.up;
        const bool lasted = wasUp && Clock::now() - link.since >= std::chrono::milliseconds(LastRetryMs);
        link.close();
        if (lasted)
            retryMs = FirstRetryMs;
        nextTry = Clock::now() + std::chrono::milliseconds(retryMs);
        retryMs = std::min(retryMs * 2, LastRetryMs);
        if (wasUp && m_down)
            m_down();
    };
    auto cameUp = [&] {
        if (!sendListen(link)) {
            retryLater();
            return;
        }
        link.up = true;
        link.since = Clock::now();
        if (m_up)
            m_up();
    };

    while (!m_stop) {
        if (notify >= 0 && watch < 0)
            watch = ::inotify_add_watch(notify, folder.c_str(), IN_CREATE | IN_MOVED_TO);
        if (link.fd < 0 && Clock::now() >= nextTry) {
            if (!open(link))
                retryLater();
            else if (!link.connecting)
                cameUp();
        }

        int timeout = -1;
        short linkEvents = POLLIN;
        if (link.connecting) {
            linkEvents = POLLOUT;
            timeout = msUntil(link.since + std::chrono::milliseconds(ConnectTimeoutMs));
        } else if (link.fd < 0) {
            struct stat st{};
            const bool fileMissing = !path.empty() && ::stat(path.c_str(), &st) != 0;
            // A missing file is waited for with inotify; anything else is tried after the back-off.
            if (!fileMissing || watch < 0)
                timeout = msUntil(nextTry);
        }
        if (m_wake < 0) // no way to be woken: see the stop flag in time
            timeout = timeout < 0 ? 200 : std::min(timeout, 200);

        pollfd fds[3] = {{m_wake, POLLIN, 0}, {link.fd, linkEvents, 0}, {watch >= 0 ? notify : -1, POLLIN, 0}};
        if (::poll(fds, 3, timeout) < 0 && errno != EINTR)
            break;
        if (m_stop)
            break;

        if (link.connecting) {
            int error = 0;
            socklen_t length = sizeof error;
            if (fds[1].revents) {
                if (::getsockopt(link.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                    retryLater();
                } else {
                    link.connecting = false;
                    cameUp();
                }
            } else if (Clock::now() - link.since >= std::chrono::milliseconds(ConnectTimeoutMs)) {
                retryLater();
            }
        } else if (link.fd >= 0 && fds[1].revents) {
            if (!receive(link))
                retryLater();
        }

        if (fds[2].revents & POLLIN) {
            alignas(inotify_event) char buffer[4096];
            ssize_t length;
            while ((length = ::read(notify, buffer, sizeof buffer)) > 0) {
                for (char *p = buffer; p < buffer + length;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(p);
                    if (event->mask & IN_IGNORED) {
                        watch = -1; // the folder went away: look again until it is back
                    } else if (event->len && name == event->name) {
                        // A new file: a new daemon, tried at once.
                        retryMs = FirstRetryMs;
                        nextTry = Clock::now();
                    }
                    p += sizeof(inotify_event) + event->len;
                }
            }
        }
    }
    if (link.fd >= 0) {
        const bool wasUp = link.up;
        link.close();
        if (wasUp && m_down)
            m_down();
    }
    if (notify >= 0)
        ::close(notify);
}
