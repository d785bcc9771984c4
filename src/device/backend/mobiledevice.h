// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The mobile device layer: the device and file-service operations the rest of the
// device link is written against (AMDevice… for the device, AFC… for its file service),
// with fixed names, argument order and results. Every call is dispatched to the backend chosen at
// start-up (setDeviceBackend): the folder backend (a simulated device kept in a local
// folder) or the imobiledevice backend (real devices through usbmuxd).
//
// Results: 0 for success unless said otherwise. Paths are UTF-8 device paths.
// Handles (am_device*, afc_connection*, ...) are owned by the layer; a device's handles
// stay valid (and answer errors) after the device has gone, because the connection
// record keeps stale handles until the next arrival overwrites them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The handle types are opaque tags: a backend hands out pointers to records of its own
// cast to these types (reinterpret_cast) and casts them back; nothing defines them.
struct am_device;          // one device seen by the backend
struct afc_connection;     // a file-service connection
struct am_device_notification; // a subscription (the layer's own record)
typedef uint64_t afc_file_ref;
typedef int32_t service_conn_t; // service handle ("notificationproxy" holds one)

// Key/value list of AFCDeviceInfoOpen / AFCFileInfoOpen, read with AFCKeyValueRead.
struct afc_dictionary
{
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t next = 0;
};

// Directory listing of AFCDirectoryOpen: every name, "." and ".." included, read with
// AFCDirectoryRead. The handle alone suffices to read and close it.
struct afc_directory
{
    std::vector<std::string> names;
    size_t next = 0;
};

enum : unsigned int {
    ADNCI_MSG_CONNECTED = 1,
    ADNCI_MSG_DISCONNECTED = 2,
};

struct am_device_notification_callback_info
{
    am_device *dev;
    unsigned int msg;
};
typedef void (*am_device_notification_callback)(am_device_notification_callback_info *info, void *context);

// Open modes of AFCFileRefOpen.
enum : uint64_t {
    AFC_MODE_READ = 1,       // an existing file, for reading
    AFC_MODE_READ_WRITE = 2, // reading and writing, created if absent
    AFC_MODE_WRITE = 3,      // writing, created or truncated
};

// Non-zero results. A backend may return others; callers only test for 0.
enum : int {
    MDERR_OK = 0,
    MDERR_FAILED = 1,
    MDERR_NOT_FOUND = 8,
    MDERR_BUSY = 19,     // AFCFileRefLock while another holds the lock
    MDERR_NO_DEVICE = static_cast<int>(0xe8000023u), // the framework's unsigned code, as int
};

// ---- Device operations ---------------------------------------------------------------

// The callback runs on the main thread (through the main queue) for every arrival (1) and
// removal (2). `unused0` and `unused1` are 0.
int AMDeviceNotificationSubscribe(am_device_notification_callback callback, unsigned int unused0,
                                  unsigned int unused1, void *context, am_device_notification **subscription);
// Stops the callbacks of a subscription (the object that gave `context` is going away).
int AMDeviceNotificationUnsubscribe(am_device_notification *subscription);
int AMDeviceConnect(am_device *device);
int AMDeviceIsPaired(am_device *device); // non-zero when paired
int AMDeviceValidatePairing(am_device *device);
int AMDeviceStartSession(am_device *device);
// The file service's name, for AMDeviceStartService.
inline constexpr const char *kAfcServiceName = "com.apple.afc";
int AMDeviceStartService(am_device *device, const std::string &serviceName, service_conn_t *handle,
                         unsigned int *unknown);
// std::nullopt when the device has no such value.
std::optional<std::string> AMDeviceCopyValue(am_device *device, unsigned int domain, const std::string &key);
std::string AMDeviceCopyDeviceIdentifier(am_device *device);
// How the device is reached: kInterfaceUsb by cable, kInterfaceWifi over the network
// through the daemon; 0 for a handle the backend does not know.
enum : int { kInterfaceUsb = 1, kInterfaceWifi = 2 };
int AMDeviceGetInterfaceType(am_device *device);
int AMDPostNotification(service_conn_t notificationProxy, const std::string &name, unsigned int unused);
// The backend's sentence on the device's last failure ("The device is locked. ..."), or empty.
std::string deviceErrorSentence(am_device *device);

// ---- File service (AFC) -------------------------------------------------------------

int AFCConnectionOpen(service_conn_t handle, unsigned int ioTimeout, afc_connection **connection);
// Ends a file-service connection: its open files are closed and what the backend holds for it is
// freed. The handle then answers errors. Nothing else may be using the connection meanwhile.
int AFCConnectionClose(afc_connection *connection);
int AFCDeviceInfoOpen(afc_connection *connection, afc_dictionary **info);
int AFCFileInfoOpen(afc_connection *connection, const char *path, afc_dictionary **info);
// Next pair; *key and *value become null at the end. The texts live until AFCKeyValueClose.
int AFCKeyValueRead(afc_dictionary *dict, char **key, char **value);
int AFCKeyValueClose(afc_dictionary *dict);
int AFCDirectoryOpen(afc_connection *connection, const char *path, afc_directory **dir);
// Next name; *name becomes null at the end. `connection` may be null.
int AFCDirectoryRead(afc_connection *connection, afc_directory *dir, char **name);
int AFCDirectoryClose(afc_connection *connection, afc_directory *dir);
int AFCDirectoryCreate(afc_connection *connection, const char *path);
int AFCRemovePath(afc_connection *connection, const char *path); // a file or an empty folder
int AFCRenamePath(afc_connection *connection, const char *from, const char *to); // replaces `to`
int AFCFileRefOpen(afc_connection *connection, const char *path, uint64_t mode, int unused, afc_file_ref *ref);
// *len: in, the bytes asked for; out, the bytes read (0 at end of file).
int AFCFileRefRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len);
int AFCFileRefWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len);
// Moves the file's position to `offset` bytes from its start, for reading a part of a file.
int AFCFileRefSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset);
int AFCFileRefClose(afc_connection *connection, afc_file_ref ref);
int AFCFileRefLock(afc_connection *connection, afc_file_ref ref);   // non-zero while another holds it
int AFCFileRefUnlock(afc_connection *connection, afc_file_ref ref);

// ---- Apps that share their documents ------------------------------------------------
// An app that shares its documents (UIFileSharingEnabled) takes files in its own
// "Documents" folder; one whose document types take ePub is a reader app. Both backends
// answer the three questions below: which apps share, an app's icon, and a file-service
// connection confined to an app's container (its Documents folder is "/Documents" there).
// The connection is an ordinary afc_connection: every AFC… call of the layer works on it.

// Results of the app calls besides MDERR_OK and MDERR_FAILED. Negative, so they never
// meet the AFC status codes the file calls pass through.
enum : int {
    MDERR_DEVICE_LOCKED = -20, // the device must be unlocked first
    MDERR_APP_GONE = -21,      // no such app (any more), or it does not share its documents
};

struct DeviceApp
{
    std::string identifier;  // CFBundleIdentifier
    std::string displayName; // CFBundleDisplayName, else CFBundleName, else the identifier
    std::string name;        // CFBundleName
    std::string version;     // CFBundleVersion
    bool takesEpub = false;  // a document type takes ePub (its content type, extension or a type of its own)
    bool takesPdf = false;   // the same for PDF: its PDFs are listed beside its ePubs
    bool fileSharing = false; // UIFileSharingEnabled
    bool booksCategory = false; // LSApplicationCategoryType public.app-category.books
    // Filled above the layer (readerapps.h): ePubs already in its Documents, the user's choice.
    bool holdsEpubs = false;
    bool chosenForBooks = false;
    // The one test of a reader app: where books are listed and put.
    bool readsBooks() const { return takesEpub || booksCategory || holdsEpubs || chosenForBooks; }
};

// The installed user apps that share their documents, in the order the device gives them.
int listSharingApps(am_device *device, std::vector<DeviceApp> &apps, std::string *why = nullptr);
// The app's icon as PNG bytes; MDERR_OK with an empty *png when the device has none.
int copyAppIcon(am_device *device, const std::string &identifier, std::string &png, std::string *why = nullptr);
// A file-service connection on the app's container. Fails with MDERR_DEVICE_LOCKED or
// MDERR_APP_GONE (and *why in plain words) when the device refuses.
int openAppDocuments(am_device *device, const std::string &identifier, afc_connection **connection,
                     std::string *why = nullptr);

// ---- Backends -----------------------------------------------------------------------

// What a backend implements. Handles returned by a backend are owned by it and must stay
// valid (answering errors once their device is gone) until the backend is destroyed.
// Operations may be called from any thread; a backend serialises what it must.
class DeviceBackend
{
public:
    virtual ~DeviceBackend() = default;

    virtual std::string name() const = 0; // "folder", "imobiledevice"

    // Starts reporting arrivals and removals. `report` may be called on any thread; the
    // layer carries it to the main thread. Devices already present are reported as arrivals.
    using EventReport = void (*)(void *layer, am_device *device, unsigned int msg);
    virtual int subscribe(EventReport report, void *layer) = 0;

    virtual int connect(am_device *device) = 0;
    virtual int isPaired(am_device *device) = 0;
    virtual int validatePairing(am_device *device) = 0;
    virtual int startSession(am_device *device) = 0;
    virtual int startService(am_device *device, const std::string &serviceName, service_conn_t *handle) = 0;
    virtual std::optional<std::string> copyValue(am_device *device, const std::string &key) = 0;
    virtual std::string copyDeviceIdentifier(am_device *device) = 0;
    virtual int interfaceType(am_device * /*device*/) { return kInterfaceUsb; }
    virtual int postNotification(service_conn_t proxy, const std::string &name) = 0;

    virtual int connectionOpen(service_conn_t handle, afc_connection **connection) = 0;
    virtual int connectionClose(afc_connection *connection) = 0;
    virtual int deviceInfo(afc_connection *connection, afc_dictionary &out) = 0;
    virtual int fileInfo(afc_connection *connection, const char *path, afc_dictionary &out) = 0;
    virtual int directoryList(afc_connection *connection, const char *path, afc_directory &out) = 0;
    virtual int directoryCreate(afc_connection *connection, const char *path) = 0;
    virtual int removePath(afc_connection *connection, const char *path) = 0;
    virtual int renamePath(afc_connection *connection, const char *from, const char *to) = 0;
    virtual int fileOpen(afc_connection *connection, const char *path, uint64_t mode, afc_file_ref *ref) = 0;
    virtual int fileRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len) = 0;
    virtual int fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len) = 0;
    virtual int fileClose(afc_connection *connection, afc_file_ref ref) = 0;
    // A backend that cannot seek answers MDERR_FAILED: readers then fall back to reading on.
    virtual int fileSeek(afc_connection * /*connection*/, afc_file_ref /*ref*/, uint64_t /*offset*/)
    {
        return MDERR_FAILED;
    }
    virtual int fileLock(afc_connection *connection, afc_file_ref ref) = 0;
    virtual int fileUnlock(afc_connection *connection, afc_file_ref ref) = 0;

    // Why the last operation on this device failed, as a sentence a user can act on; empty
    // when the backend has none.
    virtual std::string errorSentence(am_device * /*device*/) { return {}; }

    // Apps that share their documents (see deviceapps.h). *why gets the plain sentence of
    // a failure. A backend without apps answers MDERR_FAILED.
    virtual int listApps(am_device * /*device*/, std::vector<DeviceApp> & /*apps*/, std::string * /*why*/)
    {
        return MDERR_FAILED;
    }
    virtual int appIcon(am_device * /*device*/, const std::string & /*identifier*/, std::string & /*png*/,
                        std::string * /*why*/)
    {
        return MDERR_FAILED;
    }
    virtual int openAppDocuments(am_device * /*device*/, const std::string & /*identifier*/,
                                 afc_connection ** /*connection*/, std::string * /*why*/)
    {
        return MDERR_FAILED;
    }
};

// Installs the backend every call goes to (replacing and destroying the previous one).
void setDeviceBackend(std::unique_ptr<DeviceBackend> backend);
DeviceBackend *deviceBackend();
