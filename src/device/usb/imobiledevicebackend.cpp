// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "imobiledevicebackend.h"

#include "deviceapps.h"
#include "deviceerrors.h"
#include "log.h"
#include "muxsocketwatch.h"
#include "plistscalar.h"
#include "usbappservices.h"
#include "usbrecords.h"

#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/notification_proxy.h>
#include <plist/plist.h>
#include <usbmuxd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <vector>

namespace {

using namespace usbbackend;

constexpr const char *Label = "bookferry";
// afc_file_write sends one packet per call and afc_file_read asks for one reply per call;
// bounded chunks keep both the packets and the memory of either side small.
constexpr uint32_t TransferChunk = 1u << 20;


bool validUdid(const std::string &udid)
{
    return udid.size() <= 43
        && std::all_of(udid.begin(), udid.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == '-'; });
}

class IMobileDeviceBackend;
std::mutex g_currentMutex;
IMobileDeviceBackend *g_current = nullptr; // the backend lastDeviceError() asks

class IMobileDeviceBackend final : public DeviceBackend
{
public:
    explicit IMobileDeviceBackend(std::string udid)
        : m_udid(std::move(udid))
    {
        std::lock_guard lock(g_currentMutex);
        g_current = this;
    }

    ~IMobileDeviceBackend() override
    {
        {
            std::lock_guard lock(g_currentMutex);
            if (g_current == this)
                g_current = nullptr;
        }
        // Stop the event thread first; it must not be inside our callback while we tear down.
        // Nothing is reported from here on: the layer is done with this backend.
        {
            std::lock_guard lock(m_mutex);
            m_report = nullptr;
        }
        m_watch.reset();
        std::lock_guard lock(m_mutex);
        m_connections.clear();
        m_services.clear(); // service clients go before the devices they were opened on
        m_devices.clear();
    }

    std::string name() const override { return "imobiledevice"; }

    int subscribe(EventReport report, void *layer) override
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

    int connect(am_device *handle) override
    {
        UsbDevice *d = find(handle);
        if (!d)
            return MDERR_NO_DEVICE;
        std::lock_guard lock(d->mutex);
        if (!d->present)
            return fail(d, MDERR_NO_DEVICE, ideviceErrorText(IDEVICE_E_NO_DEVICE));
        if (!d->device) {
            idevice_t raw = nullptr;
            const idevice_error_t result = idevice_new(&raw, d->udid.c_str());
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

    int isPaired(am_device *handle) override
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

    int validatePairing(am_device *handle) override
    {
        UsbDevice *d = find(handle);
        if (!d)
            return MDERR_NO_DEVICE;
        std::lock_guard lock(d->mutex);
        return openSession(d);
    }

    int startSession(am_device *handle) override
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

    int startService(am_device *handle, const std::string &serviceName, service_conn_t *out) override
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
                return fail(d, MDERR_FAILED, "This program does not use the device service " + serviceName + ".");
            }
        }
        std::lock_guard lock(m_mutex);
        const service_conn_t number = m_nextService++;
        m_services.emplace(number, std::move(service));
        *out = number;
        return MDERR_OK;
    }

    std::optional<std::string> copyValue(am_device *handle, const std::string &key) override
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

    std::string copyDeviceIdentifier(am_device *handle) override
    {
        UsbDevice *d = find(handle);
        return d ? d->udid : std::string();
    }

    int postNotification(service_conn_t proxy, const std::string &name) override
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

    int connectionOpen(service_conn_t handle, afc_connection **connection) override
    {
        if (!connection)
            return MDERR_FAILED;
        std::lock_guard lock(m_mutex);
        auto it = m_services.find(handle);
        if (it == m_services.end() || !it->second.afc)
            return MDERR_FAILED;
        for (auto &existing : m_connections) {
            if (existing.afc == it->second.afc.get()) {
                *connection = reinterpret_cast<afc_connection *>(&existing);
                return MDERR_OK;
            }
        }
        m_connections.push_back(UsbConnection{it->second.owner, it->second.afc.get()});
        *connection = reinterpret_cast<afc_connection *>(&m_connections.back());
        return MDERR_OK;
    }

    // The record stays (a stale handle answers errors, and no later connection can take its
    // address); the service with its AFC client, and house_arrest for an app, is freed.
    int connectionClose(afc_connection *connection) override
    {
        std::lock_guard lock(m_mutex);
        UsbConnection *c = nullptr;
        for (auto &existing : m_connections)
            if (reinterpret_cast<afc_connection *>(&existing) == connection)
                c = &existing;
        if (!c || !c->afc)
            return MDERR_FAILED;
        for (auto it = m_services.begin(); it != m_services.end(); ++it) {
            if (it->second.afc.get() == c->afc) {
                m_services.erase(it);
                break;
            }
        }
        c->afc = nullptr;
        return MDERR_OK;
    }

    int deviceInfo(afc_connection *connection, afc_dictionary &out) override
    {
        UsbConnection *c = find(connection);
        if (!c)
            return MDERR_FAILED;
        char **raw = nullptr;
        const afc_error_t result = afc_get_device_info(c->afc, &raw);
        return fillPairs(c, result, AfcListPtr(raw), out);
    }

    int fileInfo(afc_connection *connection, const char *path, afc_dictionary &out) override
    {
        UsbConnection *c = find(connection);
        if (!c || !path)
            return MDERR_FAILED;
        char **raw = nullptr;
        const afc_error_t result = afc_get_file_info(c->afc, path, &raw);
        return fillPairs(c, result, AfcListPtr(raw), out);
    }

    int directoryList(afc_connection *connection, const char *path, afc_directory &out) override
    {
        UsbConnection *c = find(connection);
        if (!c || !path)
            return MDERR_FAILED;
        char **raw = nullptr;
        const afc_error_t result = afc_read_directory(c->afc, path, &raw);
        AfcListPtr list(raw);
        if (result != AFC_E_SUCCESS)
            return afcFail(c, result);
        out.names.clear();
        out.next = 0;
        for (char **p = list.get(); p && *p; ++p)
            out.names.emplace_back(*p);
        return MDERR_OK;
    }

    int directoryCreate(afc_connection *connection, const char *path) override
    {
        UsbConnection *c = find(connection);
        return c && path ? afcResult(c, afc_make_directory(c->afc, path)) : MDERR_FAILED;
    }

    int removePath(afc_connection *connection, const char *path) override
    {
        UsbConnection *c = find(connection);
        return c && path ? afcResult(c, afc_remove_path(c->afc, path)) : MDERR_FAILED;
    }

    int renamePath(afc_connection *connection, const char *from, const char *to) override
    {
        UsbConnection *c = find(connection);
        return c && from && to ? afcResult(c, afc_rename_path(c->afc, from, to)) : MDERR_FAILED;
    }

    int fileOpen(afc_connection *connection, const char *path, uint64_t mode, afc_file_ref *ref) override
    {
        UsbConnection *c = find(connection);
        if (!c || !path || !ref)
            return MDERR_FAILED;
        afc_file_mode_t afcMode;
        switch (mode) {
        case AFC_MODE_READ: afcMode = AFC_FOPEN_RDONLY; break;
        case AFC_MODE_READ_WRITE: afcMode = AFC_FOPEN_RW; break;
        case AFC_MODE_WRITE: afcMode = AFC_FOPEN_WRONLY; break;
        default: return MDERR_FAILED;
        }
        uint64_t handle = 0;
        const afc_error_t result = afc_file_open(c->afc, path, afcMode, &handle);
        if (result != AFC_E_SUCCESS)
            return afcFail(c, result);
        *ref = handle;
        return MDERR_OK;
    }

    int fileRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len) override
    {
        UsbConnection *c = find(connection);
        if (!c || !buffer || !len)
            return MDERR_FAILED;
        // Fill the buffer unless the file ends first: the device may answer in shorter pieces.
        const unsigned int wanted = *len;
        unsigned int done = 0;
        while (done < wanted) {
            uint32_t got = 0;
            const uint32_t ask = std::min<uint32_t>(wanted - done, TransferChunk);
            const afc_error_t result = afc_file_read(c->afc, ref, static_cast<char *>(buffer) + done, ask, &got);
            if (result != AFC_E_SUCCESS) {
                *len = done;
                return afcFail(c, result);
            }
            if (got == 0)
                break;
            done += got;
        }
        *len = done;
        return MDERR_OK;
    }

    int fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len) override
    {
        UsbConnection *c = find(connection);
        if (!c || (!buffer && len))
            return MDERR_FAILED;
        unsigned int done = 0;
        while (done < len) {
            const uint32_t chunk = std::min<uint32_t>(len - done, TransferChunk);
            uint32_t written = 0;
            // The library reports bytes sent even when the device answered an error: trust the result.
            const afc_error_t result =
                afc_file_write(c->afc, ref, static_cast<const char *>(buffer) + done, chunk, &written);
            if (result != AFC_E_SUCCESS)
                return afcFail(c, result);
            if (written != chunk)
                return afcFail(c, AFC_E_WRITE_ERROR);
            done += chunk;
        }
        return MDERR_OK;
    }

    int fileSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset) override
    {
        UsbConnection *c = find(connection);
        if (!c || offset > static_cast<uint64_t>(INT64_MAX))
            return MDERR_FAILED;
        return afcResult(c, afc_file_seek(c->afc, ref, static_cast<int64_t>(offset), SEEK_SET));
    }

    int fileClose(afc_connection *connection, afc_file_ref ref) override
    {
        UsbConnection *c = find(connection);
        return c ? afcResult(c, afc_file_close(c->afc, ref)) : MDERR_FAILED;
    }

    int fileLock(afc_connection *connection, afc_file_ref ref) override
    {
        UsbConnection *c = find(connection);
        // AFC_LOCK_EX carries the non-blocking bit: a held lock answers at once.
        return c ? afcResult(c, afc_file_lock(c->afc, ref, AFC_LOCK_EX)) : MDERR_FAILED;
    }

    int fileUnlock(afc_connection *connection, afc_file_ref ref) override
    {
        UsbConnection *c = find(connection);
        return c ? afcResult(c, afc_file_lock(c->afc, ref, AFC_LOCK_UN)) : MDERR_FAILED;
    }

    // ---- Apps that share their documents ----

    int listApps(am_device *handle, std::vector<DeviceApp> &apps, std::string *why) override
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

    int appIcon(am_device *handle, const std::string &identifier, std::string &png, std::string *why) override
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

    int openAppDocuments(am_device *handle, const std::string &identifier, afc_connection **connection,
                         std::string *why) override
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

    std::string errorSentence(am_device *handle) override { return lastError(handle); }

    std::string lastError(am_device *handle)
    {
        UsbDevice *d = find(handle);
        if (!d)
            return {};
        std::lock_guard lock(d->mutex);
        return d->lastError;
    }

private:
    // usbmuxd stopped: the devices it served are gone with it. On the watch's thread.
    void daemonGone()
    {
        std::vector<UsbDevice *> gone;
        EventReport report = nullptr;
        void *layer = nullptr;
        {
            // None of them takes the place of the one served while they all go.
            std::lock_guard lock(m_mutex);
            report = m_report;
            layer = m_layer;
            m_waiting.clear();
            for (auto &[udid, device] : m_present) {
                device->present = false;
                gone.push_back(device);
            }
            m_present.clear();
        }
        if (report)
            for (UsbDevice *device : gone)
                report(layer, reinterpret_cast<am_device *>(device), ADNCI_MSG_DISCONNECTED);
    }

    // A device usbmuxd announced or took back. On the watch's thread: record and report only.
    void onEvent(const MuxDeviceEvent &event)
    {
        if (!event.usb || event.udid.empty())
            return;
        const std::string &udid = event.udid;
        if (!m_udid.empty() && udid != m_udid)
            return;
        UsbDevice *device = nullptr;
        UsbDevice *promoted = nullptr;
        unsigned int msg = 0;
        EventReport report = nullptr;
        void *layer = nullptr;
        {
            std::lock_guard lock(m_mutex);
            report = m_report;
            layer = m_layer;
            if (event.kind == MuxDeviceEvent::Kind::Attached) {
                // Without a chosen identifier the first device is served until it goes;
                // others wait rather than silently taking its place mid-transfer.
                if (m_udid.empty() && !m_present.empty() && !m_present.count(udid)) {
                    logMessage("Another device (" + udid + ") is connected; it waits while "
                               + m_present.begin()->first + " is in use. Choose it with usb:" + udid + ".");
                    if (std::find(m_waiting.begin(), m_waiting.end(), udid) == m_waiting.end())
                        m_waiting.push_back(udid);
                    return;
                }
                auto &slot = m_present[udid];
                if (slot)
                    slot->present = false; // a second arrival without a removal in between
                m_devices.push_back(std::make_unique<UsbDevice>(udid));
                slot = m_devices.back().get();
                device = slot;
                msg = ADNCI_MSG_CONNECTED;
            } else if (event.kind == MuxDeviceEvent::Kind::Detached) {
                m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), udid),
                                      m_waiting.end());
                auto it = m_present.find(udid);
                if (it == m_present.end())
                    return;
                device = it->second;
                device->present = false;
                m_present.erase(it);
                msg = ADNCI_MSG_DISCONNECTED;
                // A device that waited is still plugged in: it arrives now.
                if (!m_waiting.empty()) {
                    const std::string next = m_waiting.front();
                    m_waiting.erase(m_waiting.begin());
                    m_devices.push_back(std::make_unique<UsbDevice>(next));
                    promoted = m_devices.back().get();
                    m_present[next] = promoted;
                }
            } else {
                return; // paired: nothing the layer reports
            }
        }
        if (report) {
            report(layer, reinterpret_cast<am_device *>(device), msg);
            if (promoted)
                report(layer, reinterpret_cast<am_device *>(promoted), ADNCI_MSG_CONNECTED);
        }
    }

    UsbDevice *find(am_device *handle)
    {
        std::lock_guard lock(m_mutex);
        for (const auto &d : m_devices)
            if (reinterpret_cast<am_device *>(d.get()) == handle)
                return d.get();
        return nullptr;
    }

    UsbConnection *find(afc_connection *handle)
    {
        std::lock_guard lock(m_mutex);
        for (auto &c : m_connections)
            if (reinterpret_cast<afc_connection *>(&c) == handle)
                return c.afc ? &c : nullptr; // closed: answers errors
        return nullptr;
    }

    // Callers hold d->mutex unless `lock` asks for it.
    int fail(UsbDevice *d, int code, const std::string &text, bool lock = false)
    {
        if (d) {
            std::unique_lock guard(d->mutex, std::defer_lock);
            if (lock)
                guard.lock();
            d->lastError = text;
        }
        return code;
    }

    int afcFail(UsbConnection *c, afc_error_t error)
    {
        fail(c->owner, int(error), afcErrorText(error), true);
        // AFC status codes double as the layer's results: 8 not found, 19 busy.
        return error == AFC_E_SUCCESS ? MDERR_FAILED : int(error);
    }

    int afcResult(UsbConnection *c, afc_error_t error)
    {
        return error == AFC_E_SUCCESS ? MDERR_OK : afcFail(c, error);
    }

    int fillPairs(UsbConnection *c, afc_error_t result, AfcListPtr list, afc_dictionary &out)
    {
        if (result != AFC_E_SUCCESS)
            return afcFail(c, result);
        out.pairs.clear();
        out.next = 0;
        for (char **p = list.get(); p && p[0] && p[1]; p += 2)
            out.pairs.emplace_back(p[0], p[1]);
        return MDERR_OK;
    }

    // Starts a service for the app calls on the device's session. With `escrow`, the pair
    // record's escrow bag goes first: a locked device opens app containers to a host that
    // shows it; without one (or refused) the plain request follows.
    int startAppService(UsbDevice *d, const char *name, bool escrow, ServiceDescriptorPtr &out, std::string *why)
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
            d->lastError = deviceLockedText();
            if (why)
                *why = d->lastError;
            return MDERR_DEVICE_LOCKED;
        }
        d->lastError = lockdownErrorText(result);
        if (why)
            *why = d->lastError;
        return MDERR_FAILED;
    }

    int appFail(UsbDevice *d, int code, const std::string &text, std::string *why)
    {
        if (why)
            *why = text;
        return fail(d, code, text, true);
    }

    // The pairing check and the session in one: the handshake reads the pair record,
    // starts the session and its TLS. Callers hold d->mutex.
    int openSession(UsbDevice *d)
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

    // A broken session is dropped so that the next call starts a fresh one.
    void dropSessionIfGone(UsbDevice *d, lockdownd_error_t result)
    {
        if (result == LOCKDOWN_E_MUX_ERROR || result == LOCKDOWN_E_SSL_ERROR || result == LOCKDOWN_E_RECEIVE_TIMEOUT)
            d->session.reset();
    }

    // All values of the device's root domain in one request. Callers hold d->mutex.
    void readValues(UsbDevice *d)
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

    const std::string m_udid;
    std::atomic_bool m_started{false};
    std::unique_ptr<MuxSocketWatch> m_watch;

    std::mutex m_mutex; // guards everything below
    EventReport m_report = nullptr;
    void *m_layer = nullptr;
    std::list<std::unique_ptr<UsbDevice>> m_devices; // every arrival, kept until the end
    std::map<std::string, UsbDevice *> m_present;
    std::vector<std::string> m_waiting; // plugged in while another device was served
    std::map<service_conn_t, UsbService> m_services;
    service_conn_t m_nextService = 1;
    std::list<UsbConnection> m_connections;
};

} // namespace

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
