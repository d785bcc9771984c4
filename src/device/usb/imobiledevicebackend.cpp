// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The USB backend's device side: arrivals and removals, lockdown, services and apps.
#include "device/usb/imobiledevicebackend.h"

#include "core/log.h"
#include "core/uitext.h"
#include "device/backend/plistscalar.h"
#include "device/usb/deviceerrors.h"
#include "device/usb/usbappservices.h"
#include "device/usb/usbbackend.h"

#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/notification_proxy.h>
#include <plist/plist.h>
#include <usbmuxd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

using usbbackend::IMobileDeviceBackend;

namespace {

constexpr const char *Label = "bookferry";

bool validUdid(const std::string &udid)
{
    return udid.size() <= 43
        && std::all_of(udid.begin(), udid.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == '-'; });
}

// A device that leaves the network does not close the streams to it as a pulled cable does
// (the daemon closes those): a read would wait out the library's 20 s and a write far longer,
// with the removal already shown. Every socket this process holds to the device's address
// (`address` as the daemon gives it: a BSD sockaddr, byte 1 its family) is shut down, so the
// calls on them end at once, as on a cable.
void cutSocketsTo(const std::string &address)
{
    const bool v4 = address.size() >= 8 && address[1] == 0x02;
    const bool v6 = address.size() >= 24 && address[1] == 0x1E;
    if (!v4 && !v6)
        return;
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end || fd == ::dirfd(dir))
            continue;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(int(fd), reinterpret_cast<sockaddr *>(&peer), &length) != 0)
            continue;
        bool match = false;
        if (v4 && peer.ss_family == AF_INET)
            match = std::memcmp(&reinterpret_cast<const sockaddr_in &>(peer).sin_addr, address.data() + 4, 4) == 0;
        else if (v6 && peer.ss_family == AF_INET6)
            match = std::memcmp(&reinterpret_cast<const sockaddr_in6 &>(peer).sin6_addr, address.data() + 8, 16) == 0;
        if (match)
            ::shutdown(int(fd), SHUT_RDWR);
    }
    ::closedir(dir);
}

std::mutex g_currentMutex;
IMobileDeviceBackend *g_current = nullptr; // the backend lastDeviceError() asks

} // namespace

namespace usbbackend {

IMobileDeviceBackend::IMobileDeviceBackend(std::string udid)
    : m_udid(std::move(udid))
{
    std::lock_guard lock(g_currentMutex);
    g_current = this;
}

IMobileDeviceBackend::~IMobileDeviceBackend()
{
    {
        std::lock_guard lock(g_currentMutex);
        if (g_current == this)
            g_current = nullptr;
    }
    // Stop the event thread first; it must not be inside our callback while we tear down.
    // Nothing is reported from here on: the layer is done with this backend, and the watch's
    // last words as it stops (every device gone) are not heard.
    m_closing = true;
    m_watch.reset();
    std::lock_guard lock(m_mutex);
    m_connections.clear();
    m_services.clear(); // service clients go before the devices they were opened on
    m_devices.clear();
}

int IMobileDeviceBackend::subscribe(EventReport report, void *layer)
{
    {
        std::lock_guard lock(m_mutex);
        m_report = report;
        m_layer = layer;
    }
    if (m_started.exchange(true))
        return MDERR_OK;
    // Device events come from a connection of the watch's own to usbmuxd, never from
    // libusbmuxd's event thread: that thread cannot be stopped once the daemon is gone
    // (it keeps looking for the socket and never reaches a point where it can be
    // cancelled), and it leaves a socket open for every subscription.
    m_watch = std::make_unique<MuxSocketWatch>(
        muxAddress(), nullptr, [this] { daemonGone(); },
        [this](const MuxDeviceEvent &event) { onEvent(event); });
    return MDERR_OK;
}

int IMobileDeviceBackend::connect(am_device *handle)
{
    UsbDevice *d = find(handle);
    if (!d)
        return MDERR_NO_DEVICE;
    std::lock_guard lock(d->mutex);
    if (!d->present)
        return fail(d, MDERR_NO_DEVICE, ideviceErrorText(IDEVICE_E_NO_DEVICE));
    if (!d->device) {
        idevice_t raw = nullptr;
        // A device on the network is looked up among the daemon's network devices; the
        // library then talks to it at its address.
        const idevice_error_t result = idevice_new_with_options(
            &raw, d->udid.c_str(), d->network ? IDEVICE_LOOKUP_NETWORK : IDEVICE_LOOKUP_USBMUX);
        if (result != IDEVICE_E_SUCCESS)
            return fail(d, result == IDEVICE_E_NO_DEVICE ? MDERR_NO_DEVICE : MDERR_FAILED, ideviceErrorText(result));
        d->device.reset(raw);
    }
    // lockdownd answering QueryType is what "connected" means; no pairing needed yet.
    lockdownd_client_t raw = nullptr;
    lockdownd_error_t result = lockdownd_client_new(d->device.get(), &raw, Label);
    LockdownPtr plain(raw);
    char *type = nullptr;
    if (result == LOCKDOWN_E_SUCCESS)
        result = lockdownd_query_type(plain.get(), &type);
    std::free(type);
    if (result != LOCKDOWN_E_SUCCESS)
        return fail(d, MDERR_FAILED, lockdownErrorText(result));
    d->lastError.clear();
    return MDERR_OK;
}

int IMobileDeviceBackend::isPaired(am_device *handle)
{
    UsbDevice *d = find(handle);
    if (!d)
        return 0;
    char *record = nullptr;
    uint32_t size = 0;
    const int result = usbmuxd_read_pair_record(d->udid.c_str(), &record, &size);
    std::unique_ptr<char, MallocFree> owned(record);
    std::lock_guard lock(d->mutex);
    if (result != 0 || !record || size == 0) {
        d->lastError = notTrustedText();
        return 0;
    }
    return 1;
}

int IMobileDeviceBackend::validatePairing(am_device *handle)
{
    UsbDevice *d = find(handle);
    if (!d)
        return MDERR_NO_DEVICE;
    std::lock_guard lock(d->mutex);
    return openSession(d);
}

int IMobileDeviceBackend::startSession(am_device *handle)
{
    UsbDevice *d = find(handle);
    if (!d)
        return MDERR_NO_DEVICE;
    std::lock_guard lock(d->mutex);
    if (const int result = openSession(d); result != MDERR_OK)
        return result;
    readValues(d);
    return MDERR_OK;
}

int IMobileDeviceBackend::startService(am_device *handle, const std::string &serviceName, service_conn_t *out)
{
    UsbDevice *d = find(handle);
    if (!d || !out)
        return MDERR_NO_DEVICE;
    UsbService service;
    service.owner = d;
    {
        std::lock_guard lock(d->mutex);
        if (const int result = openSession(d); result != MDERR_OK)
            return result;
        lockdownd_service_descriptor_t raw = nullptr;
        const lockdownd_error_t result = lockdownd_start_service(d->session.get(), serviceName.c_str(), &raw);
        ServiceDescriptorPtr descriptor(raw);
        if (result != LOCKDOWN_E_SUCCESS) {
            dropSessionIfGone(d, result);
            return fail(d, MDERR_FAILED, lockdownErrorText(result));
        }
        if (serviceName == kAfcServiceName) {
            afc_client_t afc = nullptr;
            const afc_error_t afcResult = afc_client_new(d->device.get(), descriptor.get(), &afc);
            if (afcResult != AFC_E_SUCCESS)
                return fail(d, MDERR_FAILED, afcErrorText(afcResult));
            service.afc.reset(afc);
        } else if (serviceName == "com.apple.mobile.notification_proxy") {
            np_client_t np = nullptr;
            const np_error_t npResult = np_client_new(d->device.get(), descriptor.get(), &np);
            if (npResult != NP_E_SUCCESS)
                return fail(d, MDERR_FAILED, notificationProxyErrorText(npResult));
            service.np.reset(np);
        } else {
            return fail(d, MDERR_FAILED, uiArgs(uiText("Device", "This program does not use the device service %1."), {serviceName}));
        }
    }
    std::lock_guard lock(m_mutex);
    const service_conn_t number = m_nextService++;
    m_services.emplace(number, std::move(service));
    *out = number;
    return MDERR_OK;
}

std::optional<std::string> IMobileDeviceBackend::copyValue(am_device *handle, const std::string &key)
{
    UsbDevice *d = find(handle);
    if (!d)
        return std::nullopt;
    std::lock_guard lock(d->mutex);
    if (!d->valuesRead) {
        // Without a session of our own, one short-lived handshake reads them all.
        if (d->session) {
            readValues(d);
        } else if (openSession(d) == MDERR_OK) {
            readValues(d);
            d->session.reset();
        }
    }
    auto it = d->values.find(key);
    if (it == d->values.end())
        return std::nullopt;
    return it->second;
}

std::string IMobileDeviceBackend::copyDeviceIdentifier(am_device *handle)
{
    UsbDevice *d = find(handle);
    return d ? d->udid : std::string();
}

int IMobileDeviceBackend::interfaceType(am_device *handle)
{
    UsbDevice *d = find(handle);
    return d && d->network ? kInterfaceWifi : kInterfaceUsb;
}

int IMobileDeviceBackend::postNotification(service_conn_t proxy, const std::string &name)
{
    np_client_t np = nullptr;
    UsbDevice *owner = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_services.find(proxy);
        if (it == m_services.end() || !it->second.np)
            return MDERR_FAILED;
        np = it->second.np.get();
        owner = it->second.owner;
    }
    const np_error_t result = np_post_notification(np, name.c_str());
    if (result != NP_E_SUCCESS)
        return fail(owner, MDERR_FAILED, notificationProxyErrorText(result), true);
    return MDERR_OK;
}

int IMobileDeviceBackend::listApps(am_device *handle, std::vector<DeviceApp> &apps, std::string *why)
{
    UsbDevice *d = find(handle);
    if (!d)
        return MDERR_NO_DEVICE;
    ServiceDescriptorPtr descriptor;
    if (const int rc = startAppService(d, "com.apple.mobile.installation_proxy", false, descriptor, why); rc != MDERR_OK)
        return rc;
    std::string text;
    const int rc = browseSharingApps(d->device.get(), descriptor.get(), apps, &text);
    return rc == MDERR_OK ? rc : appFail(d, rc, text, why);
}

int IMobileDeviceBackend::appIcon(am_device *handle, const std::string &identifier, std::string &png,
                                  std::string *why)
{
    UsbDevice *d = find(handle);
    if (!d)
        return MDERR_NO_DEVICE;
    ServiceDescriptorPtr descriptor;
    if (const int rc = startAppService(d, "com.apple.springboardservices", false, descriptor, why); rc != MDERR_OK)
        return rc;
    std::string text;
    const int rc = readAppIcon(d->device.get(), descriptor.get(), identifier, png, &text);
    return rc == MDERR_OK ? rc : appFail(d, rc, text, why);
}

int IMobileDeviceBackend::openAppDocuments(am_device *handle, const std::string &identifier,
                                           afc_connection **connection, std::string *why)
{
    UsbDevice *d = find(handle);
    if (!d || !connection)
        return MDERR_NO_DEVICE;
    ServiceDescriptorPtr descriptor;
    if (const int rc = startAppService(d, "com.apple.mobile.house_arrest", true, descriptor, why); rc != MDERR_OK)
        return rc;
    UsbService service;
    service.owner = d;
    std::string text;
    if (const int rc =
            vendDocuments(d->device.get(), descriptor.get(), identifier, service.houseArrest, service.afc, &text);
        rc != MDERR_OK)
        return appFail(d, rc, text, why);
    std::lock_guard lock(m_mutex);
    afc_client_t client = service.afc.get();
    m_services.emplace(m_nextService++, std::move(service));
    m_connections.push_back(UsbConnection{d, client});
    *connection = reinterpret_cast<afc_connection *>(&m_connections.back());
    return MDERR_OK;
}

std::string IMobileDeviceBackend::lastError(am_device *handle)
{
    UsbDevice *d = find(handle);
    if (!d)
        return {};
    std::lock_guard lock(d->mutex);
    return d->lastError;
}

void IMobileDeviceBackend::daemonGone()
{
    if (m_closing)
        return;
    std::vector<UsbDevice *> gone;
    EventReport report = nullptr;
    void *layer = nullptr;
    {
        // None of them takes the place of the one served while they all go.
        std::lock_guard lock(m_mutex);
        report = m_report;
        layer = m_layer;
        m_waiting.clear();
        m_reach.clear();
        for (auto &[udid, device] : m_present) {
            device->present = false;
            gone.push_back(device);
        }
        m_present.clear();
    }
    for (UsbDevice *device : gone)
        if (device->network)
            cutSocketsTo(device->networkAddress);
    if (report)
        for (UsbDevice *device : gone)
            report(layer, reinterpret_cast<am_device *>(device), ADNCI_MSG_DISCONNECTED);
}

void IMobileDeviceBackend::onEvent(const MuxDeviceEvent &event)
{
    if (m_closing)
        return;
    if (event.udid.empty() || event.kind == MuxDeviceEvent::Kind::Paired)
        return;
    const std::string &udid = event.udid;
    if (!m_udid.empty() && udid != m_udid)
        return;
    std::vector<std::pair<UsbDevice *, unsigned int>> reports;
    EventReport report = nullptr;
    void *layer = nullptr;
    {
        std::lock_guard lock(m_mutex);
        report = m_report;
        layer = m_layer;
        const bool attached = event.kind == MuxDeviceEvent::Kind::Attached;
        Reach &reach = m_reach[udid];
        (event.usb ? reach.usb : reach.network) = attached;
        if (!event.usb && attached)
            reach.networkAddress = event.networkAddress;
        const std::string address = reach.networkAddress;
        const bool reachable = reach.usb || reach.network;
        const bool network = !reach.usb; // the cable wins
        if (!reachable)
            m_reach.erase(udid);
        auto arrive = [&](const std::string &id, bool onNetwork, const std::string &at) {
            m_devices.push_back(std::make_unique<UsbDevice>(id, onNetwork));
            if (onNetwork)
                m_devices.back()->networkAddress = at;
            m_present[id] = m_devices.back().get();
            reports.emplace_back(m_devices.back().get(), ADNCI_MSG_CONNECTED);
        };
        auto it = m_present.find(udid);
        if (it != m_present.end()) {
            UsbDevice *served = it->second;
            // The same way again without a removal in between: a new arrival. The other way,
            // while served by cable: nothing the user sees changes.
            const bool again = attached && served->network == !event.usb;
            if (reachable && served->network == network && !again)
                return;
            // Gone, or reached another way now: this arrival ends as a pulled cable does,
            // and the device comes back the way it is still (or better) reached.
            served->present = false;
            m_present.erase(it);
            if (!again)
                reports.emplace_back(served, ADNCI_MSG_DISCONNECTED);
            if (reachable) {
                arrive(udid, network, address);
            } else if (!m_waiting.empty()) {
                // A device that waited is still plugged in: it arrives now.
                const std::string next = m_waiting.front();
                m_waiting.erase(m_waiting.begin());
                auto waited = m_reach.find(next);
                if (waited != m_reach.end())
                    arrive(next, !waited->second.usb, waited->second.networkAddress);
                else
                    arrive(next, false, {});
            }
        } else if (!reachable) {
            m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), udid), m_waiting.end());
            return;
        } else if (m_udid.empty() && !m_present.empty()) {
            // Without a chosen identifier the first device is served until it goes;
            // others wait rather than silently taking its place mid-transfer.
            if (std::find(m_waiting.begin(), m_waiting.end(), udid) == m_waiting.end()) {
                logMessage("Another device (" + udid + ") is connected; it waits while "
                           + m_present.begin()->first + " is in use. Choose it with usb:" + udid + ".");
                m_waiting.push_back(udid);
            }
            return;
        } else {
            arrive(udid, network, address);
        }
    }
    for (const auto &[device, msg] : reports)
        if (msg == ADNCI_MSG_DISCONNECTED && device->network)
            cutSocketsTo(device->networkAddress);
    if (report)
        for (const auto &[device, msg] : reports)
            report(layer, reinterpret_cast<am_device *>(device), msg);
}

UsbDevice *IMobileDeviceBackend::find(am_device *handle)
{
    std::lock_guard lock(m_mutex);
    for (const auto &d : m_devices)
        if (reinterpret_cast<am_device *>(d.get()) == handle)
            return d.get();
    return nullptr;
}

int IMobileDeviceBackend::fail(UsbDevice *d, int code, const std::string &text, bool lock)
{
    if (d) {
        std::unique_lock guard(d->mutex, std::defer_lock);
        if (lock)
            guard.lock();
        d->lastError = text;
    }
    return code;
}

int IMobileDeviceBackend::startAppService(UsbDevice *d, const char *name, bool escrow,
                                          ServiceDescriptorPtr &out, std::string *why)
{
    std::lock_guard lock(d->mutex);
    if (const int rc = openSession(d); rc != MDERR_OK) {
        if (why)
            *why = d->lastError;
        return rc;
    }
    lockdownd_service_descriptor_t raw = nullptr;
    lockdownd_error_t result = LOCKDOWN_E_UNKNOWN_ERROR;
    if (escrow) {
        result = lockdownd_start_service_with_escrow_bag(d->session.get(), name, &raw);
        dropSessionIfGone(d, result);
    }
    if (result != LOCKDOWN_E_SUCCESS && d->session) {
        if (raw)
            lockdownd_service_descriptor_free(raw);
        raw = nullptr;
        result = lockdownd_start_service(d->session.get(), name, &raw);
        dropSessionIfGone(d, result);
    }
    out.reset(raw);
    if (result == LOCKDOWN_E_SUCCESS)
        return MDERR_OK;
    if (result == LOCKDOWN_E_PASSWORD_PROTECTED || result == LOCKDOWN_E_ESCROW_LOCKED) {
        d->lastError = uiText("Device", deviceLockedText());
        if (why)
            *why = d->lastError;
        return MDERR_DEVICE_LOCKED;
    }
    d->lastError = lockdownErrorText(result);
    if (why)
        *why = d->lastError;
    return MDERR_FAILED;
}

int IMobileDeviceBackend::appFail(UsbDevice *d, int code, const std::string &text, std::string *why)
{
    if (why)
        *why = text;
    return fail(d, code, text, true);
}

int IMobileDeviceBackend::openSession(UsbDevice *d)
{
    if (d->session)
        return MDERR_OK;
    if (!d->present || !d->device)
        return fail(d, MDERR_NO_DEVICE, ideviceErrorText(IDEVICE_E_NO_DEVICE));
    lockdownd_client_t raw = nullptr;
    const lockdownd_error_t result = lockdownd_client_new_with_handshake(d->device.get(), &raw, Label);
    if (result != LOCKDOWN_E_SUCCESS) {
        if (raw)
            lockdownd_client_free(raw);
        return fail(d, MDERR_FAILED, lockdownErrorText(result));
    }
    d->session.reset(raw);
    d->lastError.clear();
    return MDERR_OK;
}

void IMobileDeviceBackend::dropSessionIfGone(UsbDevice *d, lockdownd_error_t result)
{
    if (result == LOCKDOWN_E_MUX_ERROR || result == LOCKDOWN_E_SSL_ERROR || result == LOCKDOWN_E_RECEIVE_TIMEOUT)
        d->session.reset();
}

void IMobileDeviceBackend::readValues(UsbDevice *d)
{
    if (d->valuesRead || !d->session)
        return;
    plist_t raw = nullptr;
    const lockdownd_error_t result = lockdownd_get_value(d->session.get(), nullptr, nullptr, &raw);
    PlistPtr dict(raw);
    if (result != LOCKDOWN_E_SUCCESS || !dict || plist_get_node_type(dict.get()) != PLIST_DICT) {
        dropSessionIfGone(d, result);
        fail(d, MDERR_FAILED, lockdownErrorText(result == LOCKDOWN_E_SUCCESS ? LOCKDOWN_E_DICT_ERROR : result));
        return;
    }
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict.get(), &iter);
    for (;;) {
        char *key = nullptr;
        plist_t node = nullptr;
        plist_dict_next_item(dict.get(), iter, &key, &node);
        std::unique_ptr<char, MallocFree> ownedKey(key);
        if (!key)
            break;
        if (auto text = plistScalarText(node))
            d->values[key] = *text;
    }
    std::free(iter);
    d->valuesRead = true;
}

} // namespace usbbackend

std::unique_ptr<DeviceBackend> makeIMobileDeviceBackend(const std::string &udid, std::string *error)
{
    if (!validUdid(udid)) {
        if (error)
            *error = "\"" + udid + "\" is not a device identifier (up to 43 hexadecimal digits and dashes).";
        return nullptr;
    }
    // libimobiledevice's TLS layer writes with plain write(): a device unplugged mid-session
    // would otherwise kill the whole program with SIGPIPE. Keep a handler someone installed.
    struct sigaction current = {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    return std::make_unique<IMobileDeviceBackend>(udid);
}

std::string lastDeviceError(am_device *device)
{
    std::lock_guard lock(g_currentMutex);
    return g_current ? g_current->lastError(device) : std::string();
}
