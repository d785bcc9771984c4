// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The USB backend's class, shared by its device side (imobiledevicebackend.cpp: arrivals,
// lockdown, services, apps) and its file service (usbfileservice.cpp: the AFC calls).
// Private to usb/: the rest of the program makes one with makeIMobileDeviceBackend().
// Device events arrive on MuxSocketWatch's thread; every call may come from any thread.

#include "device/backend/deviceapps.h"
#include "device/backend/mobiledevice.h"
#include "device/usb/muxsocketwatch.h"
#include "device/usb/usbrecords.h"

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace usbbackend {

class IMobileDeviceBackend final : public DeviceBackend
{
public:
    explicit IMobileDeviceBackend(std::string udid);
    ~IMobileDeviceBackend() override;
    std::string name() const override { return "imobiledevice"; }
    int subscribe(EventReport report, void *layer) override;

    int connect(am_device *handle) override;

    int isPaired(am_device *handle) override;

    int validatePairing(am_device *handle) override;

    int startSession(am_device *handle) override;

    int startService(am_device *handle, const std::string &serviceName, service_conn_t *out) override;

    std::optional<std::string> copyValue(am_device *handle, const std::string &key) override;

    std::string copyDeviceIdentifier(am_device *handle) override;
    int interfaceType(am_device *handle) override;
    int postNotification(service_conn_t proxy, const std::string &name) override;
    int connectionOpen(service_conn_t handle, afc_connection **connection) override;
    // The record stays (a stale handle answers errors, and no later connection can take its
    // address); the service with its AFC client, and house_arrest for an app, is freed.
    int connectionClose(afc_connection *connection) override;
    int deviceInfo(afc_connection *connection, afc_dictionary &out) override;
    int fileInfo(afc_connection *connection, const char *path, afc_dictionary &out) override;
    int directoryList(afc_connection *connection, const char *path, afc_directory &out) override;
    int directoryCreate(afc_connection *connection, const char *path) override;
    int removePath(afc_connection *connection, const char *path) override;
    int renamePath(afc_connection *connection, const char *from, const char *to) override;
    int fileOpen(afc_connection *connection, const char *path, uint64_t mode, afc_file_ref *ref) override;
    int fileRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len) override;
    int fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer,
                  unsigned int len) override;
    int fileSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset) override;
    int fileClose(afc_connection *connection, afc_file_ref ref) override;
    int fileLock(afc_connection *connection, afc_file_ref ref) override;
    int fileUnlock(afc_connection *connection, afc_file_ref ref) override;

    // ---- Apps that share their documents ----

    int listApps(am_device *handle, std::vector<DeviceApp> &apps, std::string *why) override;

    int appIcon(am_device *handle, const std::string &identifier, std::string &png,
                std::string *why) override;

    int openAppDocuments(am_device *handle, const std::string &identifier, afc_connection **connection,
                         std::string *why) override;

    std::string errorSentence(am_device *handle) override { return lastError(handle); }

    std::string lastError(am_device *handle);

private:
    // usbmuxd stopped: the devices it served are gone with it. On the watch's thread.
    void daemonGone();

    // A device usbmuxd announced or took back. On the watch's thread: record and report only.
    void onEvent(const MuxDeviceEvent &event);

    UsbDevice *find(am_device *handle);
    UsbConnection *find(afc_connection *handle);

    // Callers hold d->mutex unless `lock` asks for it.
    int fail(UsbDevice *d, int code, const std::string &text, bool lock = false);
    int afcFail(UsbConnection *c, afc_error_t error);
    int afcResult(UsbConnection *c, afc_error_t error);
    int fillPairs(UsbConnection *c, afc_error_t result, AfcListPtr list, afc_dictionary &out);

    // Starts a service for the app calls on the device's session. With `escrow`, the pair
    // record's escrow bag goes first: a locked device opens app containers to a host that
    // shows it; without one (or refused) the plain request follows.
    int startAppService(UsbDevice *d, const char *name, bool escrow, ServiceDescriptorPtr &out,
                        std::string *why);
    int appFail(UsbDevice *d, int code, const std::string &text, std::string *why);

    // The pairing check and the session in one: the handshake reads the pair record,
    // starts the session and its TLS. Callers hold d->mutex.
    int openSession(UsbDevice *d);

    // A broken session is dropped so that the next call starts a fresh one.
    void dropSessionIfGone(UsbDevice *d, lockdownd_error_t result);

    // All values of the device's root domain in one request. Callers hold d->mutex.
    void readValues(UsbDevice *d);

    const std::string m_udid;
    std::atomic_bool m_started{false};
    std::atomic_bool m_closing{false}; // set as the backend goes: the watch reports nothing more
    std::unique_ptr<MuxSocketWatch> m_watch;

    std::mutex m_mutex; // guards everything below
    EventReport m_report = nullptr;
    void *m_layer = nullptr;
    std::list<std::unique_ptr<UsbDevice>> m_devices; // every arrival, kept until the end
    std::map<std::string, UsbDevice *> m_present;
    // How the daemon reaches each device it announced: by cable, on the network, or both.
    // A device reached both ways is served by cable.
    struct Reach
    {
        bool usb = false;
        bool network = false;
        std::string networkAddress;
    };
    std::map<std::string, Reach> m_reach;
    std::vector<std::string> m_waiting; // plugged in while another device was served
    std::map<service_conn_t, UsbService> m_services;
    service_conn_t m_nextService = 1;
    std::list<UsbConnection> m_connections;
};

} // namespace usbbackend
