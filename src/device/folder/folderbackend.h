// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The simulated device: a device kept in a local folder.
//
//   DEVICE_DIR/device.plist   "UniqueDeviceID", "Paired" (default true), "Values" (answers
//                             AMDeviceCopyValue), "DeviceInfo" (answers AFCDeviceInfoOpen:
//                             "Model", optional "FSTotalBytes"/"FSFreeBytes")
//   DEVICE_DIR/root/          the file system the file service sees
//   DEVICE_DIR/notifications.log   every notification posted to the device, one per line
//
// device.plist is read afresh on every question, so a test or another process may change
// it while the device is attached. Paths never leave root/. File locks are flock(2) locks
// on the files under root/, shared with any other process that flocks them.
// Arrival and removal are driven by the caller (attach / detach); several devices may be
// attached at once. Thread-safe: one mutex serialises every operation.

#include "device/folder/folderbackendrecords.h"
#include "device/backend/mobiledevice.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

// What device.plist holds, for writing a new folder device.
struct FolderDeviceDescription
{
    std::string uniqueDeviceID;
    bool paired = true;
    std::vector<std::pair<std::string, std::string>> values;     // "ProductVersion", "DeviceName", ...
    std::vector<std::pair<std::string, std::string>> deviceInfo; // "Model", "FSTotalBytes", ...
};

// Writes DEVICE_DIR/device.plist and creates DEVICE_DIR/root/. False with *error set on failure.
bool writeFolderDevice(const std::string &deviceDir, const FolderDeviceDescription &desc, std::string *error);

// An app on a folder device, kept in DEVICE_DIR/apps/IDENTIFIER/: Info.plist (the
// attributes the device lists: CFBundleIdentifier, CFBundleDisplayName, CFBundleName,
// CFBundleVersion, UIFileSharingEnabled, CFBundleDocumentTypes, ApplicationType "User"),
// icon.png, and container/Documents/ (what the app's file-service connection sees, as
// "/Documents"). device.plist's "Locked" (true) makes the device refuse the apps' files
// until it is unlocked.
struct FolderDeviceApp
{
    std::string identifier;
    std::string displayName;
    std::string name;
    std::string version = "1.0";
    bool fileSharing = true;
    std::vector<std::string> contentTypes; // LSItemContentTypes of its one document type
    std::vector<std::string> extensions;   // CFBundleTypeExtensions of that type
    std::string iconPng;                   // icon.png, not written when empty
};

// Writes the app's Info.plist and icon and creates its Documents folder. False with *error
// when the identifier cannot name a folder or writing fails.
bool writeFolderDeviceApp(const std::string &deviceDir, const FolderDeviceApp &app, std::string *error);
// True for an identifier that can name an app's folder: letters, digits, '.', '-', '_'
// and not "." or "..".
bool isSafeAppIdentifier(const std::string &identifier);

class FolderBackend : public DeviceBackend
{
public:
    FolderBackend();
    ~FolderBackend() override;
    FolderBackend(const FolderBackend &) = delete;
    FolderBackend &operator=(const FolderBackend &) = delete;

    // Plugs in the device kept in `deviceDir` and reports its arrival. Null when the folder
    // has no device.plist or no root/ (with *error set).
    am_device *attach(const std::string &deviceDir, std::string *error = nullptr);
    // Unplugs it: reports the removal; its connections and open files stop working and
    // their locks are released.
    void detach(am_device *device);
    std::vector<am_device *> attachedDevices() const;
    std::string deviceDir(am_device *device) const;

    // ---- Test hooks (per device) ----
    // Overrides device.plist's "Paired"; nullopt goes back to the file.
    void setPaired(am_device *device, std::optional<bool> paired);
    void setFailValidation(am_device *device, bool fail);
    void setFailSession(am_device *device, bool fail);
    using ServiceFailure = FolderServiceFailure;
    void setServiceFailure(am_device *device, const std::string &serviceName, ServiceFailure failure);
    // Notifications posted to the device's notification proxy, in order.
    std::vector<std::string> postedNotifications(am_device *device) const;
    // File-service connections opened and not yet closed, on every device (leak checks).
    std::size_t openConnectionCount() const;

    // ---- DeviceBackend ----
    std::string name() const override { return "folder"; }
    int subscribe(EventReport report, void *layer) override;
    int connect(am_device *device) override;
    int isPaired(am_device *device) override;
    int validatePairing(am_device *device) override;
    int startSession(am_device *device) override;
    int startService(am_device *device, const std::string &serviceName, service_conn_t *handle) override;
    std::optional<std::string> copyValue(am_device *device, const std::string &key) override;
    std::string copyDeviceIdentifier(am_device *device) override;
    int postNotification(service_conn_t proxy, const std::string &name) override;
    int connectionOpen(service_conn_t handle, afc_connection **connection) override;
    int connectionClose(afc_connection *connection) override;
    int deviceInfo(afc_connection *connection, afc_dictionary &out) override;
    int fileInfo(afc_connection *connection, const char *path, afc_dictionary &out) override;
    int directoryList(afc_connection *connection, const char *path, afc_directory &out) override;
    int directoryCreate(afc_connection *connection, const char *path) override;
    int removePath(afc_connection *connection, const char *path) override;
    int renamePath(afc_connection *connection, const char *from, const char *to) override;
    int fileOpen(afc_connection *connection, const char *path, uint64_t mode, afc_file_ref *ref) override;
    int fileRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len) override;
    int fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len) override;
    int fileSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset) override;
    int fileClose(afc_connection *connection, afc_file_ref ref) override;
    int fileLock(afc_connection *connection, afc_file_ref ref) override;
    int fileUnlock(afc_connection *connection, afc_file_ref ref) override;
    int listApps(am_device *device, std::vector<DeviceApp> &apps, std::string *why) override;
    int appIcon(am_device *device, const std::string &identifier, std::string &png, std::string *why) override;
    int openAppDocuments(am_device *device, const std::string &identifier, afc_connection **connection,
                         std::string *why) override;

private:
    using Device = FolderDeviceRecord;
    using Service = FolderServiceRecord;
    using Connection = FolderConnectionRecord;
    using OpenFile = FolderOpenFileRecord;

    Device *liveDevice(am_device *device) const;  // null unless attached
    // The attached device's folder, read under the lock; none unless attached.
    std::optional<std::string> liveDeviceDir(am_device *device) const;
    Connection *liveConnection(afc_connection *connection) const;
    OpenFile *openFile(Connection *connection, afc_file_ref ref);
    void closeFilesOf(Device *device);

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Device>> m_devices; // every device ever attached (handles stay valid)
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::map<service_conn_t, Service> m_services;
    std::map<afc_file_ref, OpenFile> m_files;
    std::vector<std::pair<EventReport, void *>> m_subscribers;
    service_conn_t m_nextService = 100;
    afc_file_ref m_nextRef = 1;
};
