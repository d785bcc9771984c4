// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/backend/mobiledevice.h"

#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"

#include <atomic>
#include <mutex>

// One subscription. Records live until the process ends so that a report still queued
// for the main thread never reaches freed memory; `active` and the backend generation
// decide whether it is delivered.
struct am_device_notification
{
    am_device_notification_callback callback = nullptr;
    void *context = nullptr;
    unsigned long generation = 0;
    std::atomic_bool active{true};
};

namespace {
std::mutex g_backendMutex;
std::shared_ptr<DeviceBackend> g_backend;
std::atomic_ulong g_generation{1};

std::mutex g_subscriptionMutex;
std::vector<std::unique_ptr<am_device_notification>> &subscriptions()
{
    static std::vector<std::unique_ptr<am_device_notification>> list;
    return list;
}

std::shared_ptr<DeviceBackend> backend()
{
    std::lock_guard lock(g_backendMutex);
    return g_backend;
}

bool injected(const char *operation)
{
    return DeviceFaultInjector::instance().shouldFail(operation);
}

// Backends report from any thread; the callback runs on the main thread, and only while
// the subscription and the backend that made the report are still current.
void carryReport(void *layer, am_device *device, unsigned int msg)
{
    auto *sub = static_cast<am_device_notification *>(layer);
    const unsigned long generation = sub->generation;
    performOnMainThread([sub, device, msg, generation] {
        if (!sub->active || generation != g_generation.load())
            return;
        am_device_notification_callback_info info{device, msg};
        sub->callback(&info, sub->context);
    });
}
} // namespace

void setDeviceBackend(std::unique_ptr<DeviceBackend> next)
{
    std::shared_ptr<DeviceBackend> old;
    {
        std::lock_guard lock(g_backendMutex);
        old = std::move(g_backend);
        g_backend = std::move(next);
        ++g_generation;
    }
    // The old backend goes here, outside the lock (unless a call in flight still holds it).
    old.reset();
}

DeviceBackend *deviceBackend()
{
    std::lock_guard lock(g_backendMutex);
    return g_backend.get();
}

int AMDeviceNotificationSubscribe(am_device_notification_callback callback, unsigned int, unsigned int, void *context,
                                  am_device_notification **subscription)
{
    if (subscription)
        *subscription = nullptr;
    if (injected("AMDeviceNotificationSubscribe"))
        return MDERR_FAILED;
    auto b = backend();
    if (!b || !callback)
        return MDERR_FAILED;
    am_device_notification *sub;
    {
        std::lock_guard lock(g_subscriptionMutex);
        subscriptions().push_back(std::make_unique<am_device_notification>());
        sub = subscriptions().back().get();
        sub->callback = callback;
        sub->context = context;
        sub->generation = g_generation.load();
    }
    const int rc = b->subscribe(&carryReport, sub);
    if (rc != 0) {
        sub->active = false;
        return rc;
    }
    if (subscription)
        *subscription = sub;
    return MDERR_OK;
}

int AMDeviceNotificationUnsubscribe(am_device_notification *subscription)
{
    // Callbacks stop even when the call is made to fail: their context is going away.
    const bool fail = injected("AMDeviceNotificationUnsubscribe");
    if (!subscription)
        return MDERR_FAILED;
    subscription->active = false;
    return fail ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_OK);
}

#define LAYER_CALL(name, failure, call)                                                                                \
    do {                                                                                                               \
        if (injected(name))                                                                                            \
            return failure;                                                                                            \
        auto b = backend();                                                                                            \
        if (!b)                                                                                                        \
            return failure;                                                                                            \
        return b->call;                                                                                                \
    } while (0)

int AMDeviceConnect(am_device *device)
{
    LAYER_CALL("AMDeviceConnect", static_cast<int>(MDERR_FAILED), connect(device));
}

int AMDeviceIsPaired(am_device *device)
{
    LAYER_CALL("AMDeviceIsPaired", 0, isPaired(device));
}

int AMDeviceValidatePairing(am_device *device)
{
    LAYER_CALL("AMDeviceValidatePairing", static_cast<int>(MDERR_FAILED), validatePairing(device));
}

int AMDeviceStartSession(am_device *device)
{
    LAYER_CALL("AMDeviceStartSession", static_cast<int>(MDERR_FAILED), startSession(device));
}

int AMDeviceStartService(am_device *device, const std::string &serviceName, service_conn_t *handle, unsigned int *)
{
    LAYER_CALL("AMDeviceStartService", static_cast<int>(MDERR_FAILED), startService(device, serviceName, handle));
}

std::optional<std::string> AMDeviceCopyValue(am_device *device, unsigned int, const std::string &key)
{
    LAYER_CALL("AMDeviceCopyValue", std::nullopt, copyValue(device, key));
}

std::string AMDeviceCopyDeviceIdentifier(am_device *device)
{
    LAYER_CALL("AMDeviceCopyDeviceIdentifier", std::string(), copyDeviceIdentifier(device));
}

int AMDeviceGetInterfaceType(am_device *device)
{
    LAYER_CALL("AMDeviceGetInterfaceType", 0, interfaceType(device));
}

int AMDPostNotification(service_conn_t notificationProxy, const std::string &name, unsigned int)
{
    LAYER_CALL("AMDPostNotification", static_cast<int>(MDERR_FAILED), postNotification(notificationProxy, name));
}

std::string deviceErrorSentence(am_device *device)
{
    auto b = backend();
    return b ? b->errorSentence(device) : std::string();
}

int AFCConnectionOpen(service_conn_t handle, unsigned int, afc_connection **connection)
{
    if (connection)
        *connection = nullptr;
    if (!connection)
        return MDERR_FAILED;
    LAYER_CALL("AFCConnectionOpen", static_cast<int>(MDERR_FAILED), connectionOpen(handle, connection));
}

int AFCConnectionClose(afc_connection *connection)
{
    if (!connection)
        return MDERR_FAILED;
    LAYER_CALL("AFCConnectionClose", static_cast<int>(MDERR_FAILED), connectionClose(connection));
}

namespace {
template <typename Fill>
int openDictionary(const char *operation, afc_dictionary **out, Fill fill)
{
    if (!out)
        return MDERR_FAILED;
    *out = nullptr;
    if (injected(operation))
        return MDERR_FAILED;
    auto b = backend();
    if (!b)
        return MDERR_NO_DEVICE;
    auto dict = std::make_unique<afc_dictionary>();
    const int rc = fill(*b, *dict);
    if (rc != 0)
        return rc;
    *out = dict.release();
    return MDERR_OK;
}
} // namespace

int AFCDeviceInfoOpen(afc_connection *connection, afc_dictionary **info)
{
    return openDictionary("AFCDeviceInfoOpen", info,
                          [&](DeviceBackend &b, afc_dictionary &d) { return b.deviceInfo(connection, d); });
}

int AFCFileInfoOpen(afc_connection *connection, const char *path, afc_dictionary **info)
{
    if (!path) {
        if (info)
            *info = nullptr;
        return MDERR_FAILED;
    }
    return openDictionary("AFCFileInfoOpen", info,
                          [&](DeviceBackend &b, afc_dictionary &d) { return b.fileInfo(connection, path, d); });
}

int AFCKeyValueRead(afc_dictionary *dict, char **key, char **value)
{
    if (key)
        *key = nullptr;
    if (value)
        *value = nullptr;
    if (injected("AFCKeyValueRead"))
        return MDERR_FAILED;
    if (!dict || !key || !value)
        return MDERR_FAILED;
    if (dict->next >= dict->pairs.size())
        return MDERR_OK;
    auto &pair = dict->pairs[dict->next++];
    *key = pair.first.data();
    *value = pair.second.data();
    return MDERR_OK;
}

int AFCKeyValueClose(afc_dictionary *dict)
{
    // Always frees, even when made to fail: a close that leaks helps no test.
    const bool fail = injected("AFCKeyValueClose");
    delete dict;
    return fail ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_OK);
}

int AFCDirectoryOpen(afc_connection *connection, const char *path, afc_directory **dir)
{
    if (!dir)
        return MDERR_FAILED;
    *dir = nullptr;
    if (injected("AFCDirectoryOpen"))
        return MDERR_FAILED;
    auto b = backend();
    if (!b)
        return MDERR_NO_DEVICE;
    if (!path)
        return MDERR_FAILED;
    auto listing = std::make_unique<afc_directory>();
    const int rc = b->directoryList(connection, path, *listing);
    if (rc != 0)
        return rc;
    *dir = listing.release();
    return MDERR_OK;
}

int AFCDirectoryRead(afc_connection *, afc_directory *dir, char **name)
{
    if (name)
        *name = nullptr;
    if (injected("AFCDirectoryRead"))
        return MDERR_FAILED;
    if (!dir || !name)
        return MDERR_FAILED;
    if (dir->next < dir->names.size())
        *name = dir->names[dir->next++].data();
    return MDERR_OK;
}

int AFCDirectoryClose(afc_connection *, afc_directory *dir)
{
    const bool fail = injected("AFCDirectoryClose");
    delete dir;
    return fail ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_OK);
}

int AFCDirectoryCreate(afc_connection *connection, const char *path)
{
    if (!path)
        return MDERR_FAILED;
    LAYER_CALL("AFCDirectoryCreate", static_cast<int>(MDERR_FAILED), directoryCreate(connection, path));
}

int AFCRemovePath(afc_connection *connection, const char *path)
{
    if (!path)
        return MDERR_FAILED;
    LAYER_CALL("AFCRemovePath", static_cast<int>(MDERR_FAILED), removePath(connection, path));
}

int AFCRenamePath(afc_connection *connection, const char *from, const char *to)
{
    if (!from || !to)
        return MDERR_FAILED;
    LAYER_CALL("AFCRenamePath", static_cast<int>(MDERR_FAILED), renamePath(connection, from, to));
}

int AFCFileRefOpen(afc_connection *connection, const char *path, uint64_t mode, int, afc_file_ref *ref)
{
    if (!ref || !path)
        return MDERR_FAILED;
    *ref = 0;
    LAYER_CALL("AFCFileRefOpen", static_cast<int>(MDERR_FAILED), fileOpen(connection, path, mode, ref));
}

int AFCFileRefRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len)
{
    if (!len)
        return MDERR_FAILED;
    if (injected("AFCFileRefRead")) {
        *len = 0;
        return MDERR_FAILED;
    }
    auto b = backend();
    if (!b) {
        *len = 0;
        return MDERR_NO_DEVICE;
    }
    return b->fileRead(connection, ref, buffer, len);
}

int AFCFileRefWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len)
{
    LAYER_CALL("AFCFileRefWrite", static_cast<int>(MDERR_FAILED), fileWrite(connection, ref, buffer, len));
}

int AFCFileRefSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset)
{
    LAYER_CALL("AFCFileRefSeek", static_cast<int>(MDERR_FAILED), fileSeek(connection, ref, offset));
}

int AFCFileRefClose(afc_connection *connection, afc_file_ref ref)
{
    LAYER_CALL("AFCFileRefClose", static_cast<int>(MDERR_FAILED), fileClose(connection, ref));
}

int AFCFileRefLock(afc_connection *connection, afc_file_ref ref)
{
    LAYER_CALL("AFCFileRefLock", static_cast<int>(MDERR_FAILED), fileLock(connection, ref));
}

int AFCFileRefUnlock(afc_connection *connection, afc_file_ref ref)
{
    LAYER_CALL("AFCFileRefUnlock", static_cast<int>(MDERR_FAILED), fileUnlock(connection, ref));
}

// ---- Apps that share their documents (deviceapps.h) ---------------------------------

int listSharingApps(am_device *device, std::vector<DeviceApp> &apps, std::string *why)
{
    apps.clear();
    LAYER_CALL("listSharingApps", static_cast<int>(MDERR_FAILED), listApps(device, apps, why));
}

int copyAppIcon(am_device *device, const std::string &identifier, std::string &png, std::string *why)
{
    png.clear();
    LAYER_CALL("copyAppIcon", static_cast<int>(MDERR_FAILED), appIcon(device, identifier, png, why));
}

int openAppDocuments(am_device *device, const std::string &identifier, afc_connection **connection, std::string *why)
{
    if (!connection)
        return MDERR_FAILED;
    *connection = nullptr;
    LAYER_CALL("openAppDocuments", static_cast<int>(MDERR_FAILED),
               openAppDocuments(device, identifier, connection, why));
}
