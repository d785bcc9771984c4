// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/folder/folderbackend.h"

#include "device/folder/folderpaths.h"
#include "device/backend/plistutil.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char *const kProxyService = "com.apple.mobile.notification_proxy";

template <typename T>
am_device *asHandle(T *record)
{
    return reinterpret_cast<am_device *>(record);
}

uint64_t bytesStoredUnder(const std::string &root)
{
    uint64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code sec;
        if (it->is_regular_file(sec) && !it->is_symlink(sec)) {
            const auto size = it->file_size(sec);
            if (!sec)
                total += size;
        }
    }
    return total;
}

std::optional<uint64_t> parseCount(const std::optional<std::string> &text)
{
    if (!text || text->empty())
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return v;
}

} // namespace

bool writeFolderDevice(const std::string &deviceDir, const FolderDeviceDescription &desc, std::string *error)
{
    std::error_code ec;
    fs::create_directories(fs::path(deviceDir) / "root", ec);
    if (ec) {
        if (error)
            *error = "cannot create " + deviceDir + "/root: " + ec.message();
        return false;
    }
    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "UniqueDeviceID", plist_new_string(desc.uniqueDeviceID.c_str()));
    plist_dict_set_item(root.get(), "Paired", plist_new_bool(desc.paired ? 1 : 0));
    plist_t values = plist_new_dict();
    for (const auto &[k, v] : desc.values)
        plist_dict_set_item(values, k.c_str(), plist_new_string(v.c_str()));
    plist_dict_set_item(root.get(), "Values", values);
    plist_t info = plist_new_dict();
    for (const auto &[k, v] : desc.deviceInfo)
        plist_dict_set_item(info, k.c_str(), plist_new_string(v.c_str()));
    plist_dict_set_item(root.get(), "DeviceInfo", info);
    if (!writePlistXmlFile(deviceDir + "/device.plist", root.get())) {
        if (error)
            *error = "cannot write " + deviceDir + "/device.plist";
        return false;
    }
    return true;
}

FolderBackend::FolderBackend() = default;

FolderBackend::~FolderBackend()
{
    for (auto &[ref, file] : m_files)
        ::close(file.fd);
}

am_device *FolderBackend::attach(const std::string &deviceDir, std::string *error)
{
    auto root = realPath(deviceDir + "/root");
    struct stat st{};
    if (!root || ::stat(root->c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !readPlistFile(deviceDir + "/device.plist")) {
        if (error)
            *error = deviceDir + " is not a folder device (device.plist and root/ are needed)";
        return nullptr;
    }
    auto device = std::make_unique<Device>();
    device->dir = deviceDir;
    device->root = *root;
    am_device *handle = asHandle(device.get());
    std::vector<std::pair<EventReport, void *>> subscribers;
    {
        std::lock_guard lock(m_mutex);
        m_devices.push_back(std::move(device));
        subscribers = m_subscribers;
    }
    for (auto &[report, layer] : subscribers)
        report(layer, handle, ADNCI_MSG_CONNECTED);
    return handle;
}

void FolderBackend::detach(am_device *device)
{
    std::vector<std::pair<EventReport, void *>> subscribers;
    {
        std::lock_guard lock(m_mutex);
        Device *d = liveDevice(device);
        if (!d)
            return;
        d->present = false;
        closeFilesOf(d);
        for (auto &view : d->appViews) {
            view->present = false;
            closeFilesOf(view.get());
        }
        subscribers = m_subscribers;
    }
    for (auto &[report, layer] : subscribers)
        report(layer, device, ADNCI_MSG_DISCONNECTED);
}

std::vector<am_device *> FolderBackend::attachedDevices() const
{
    std::lock_guard lock(m_mutex);
    std::vector<am_device *> out;
    for (auto &d : m_devices)
        if (d->present)
            out.push_back(asHandle(d.get()));
    return out;
}

std::string FolderBackend::deviceDir(am_device *device) const
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            return d->dir;
    return {};
}

FolderBackend::Device *FolderBackend::liveDevice(am_device *device) const
{
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            return d->present ? d.get() : nullptr;
    return nullptr;
}

std::optional<std::string> FolderBackend::liveDeviceDir(am_device *device) const
{
    std::lock_guard lock(m_mutex);
    const Device *d = liveDevice(device);
    return d ? std::optional(d->dir) : std::nullopt;
}

FolderBackend::Connection *FolderBackend::liveConnection(afc_connection *connection) const
{
    for (auto &c : m_connections)
        if (reinterpret_cast<afc_connection *>(c.get()) == connection)
            return c->device->present && !c->closed ? c.get() : nullptr;
    return nullptr;
}

FolderBackend::OpenFile *FolderBackend::openFile(Connection *connection, afc_file_ref ref)
{
    auto it = m_files.find(ref);
    if (it == m_files.end() || it->second.connection != connection)
        return nullptr;
    return &it->second;
}

void FolderBackend::closeFilesOf(Device *device)
{
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (it->second.connection->device == device) {
            ::close(it->second.fd);
            it = m_files.erase(it);
        } else {
            ++it;
        }
    }
}

void FolderBackend::setPaired(am_device *device, std::optional<bool> paired)
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            d->pairedOverride = paired;
}

void FolderBackend::setFailValidation(am_device *device, bool fail)
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            d->failValidation = fail;
}

void FolderBackend::setFailSession(am_device *device, bool fail)
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            d->failSession = fail;
}

void FolderBackend::setServiceFailure(am_device *device, const std::string &serviceName, ServiceFailure failure)
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            d->serviceFailures[serviceName] = failure;
}

std::vector<std::string> FolderBackend::postedNotifications(am_device *device) const
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices)
        if (asHandle(d.get()) == device)
            return d->posted;
    return {};
}

int FolderBackend::subscribe(EventReport report, void *layer)
{
    if (!report)
        return MDERR_FAILED;
    std::vector<am_device *> present;
    {
        std::lock_guard lock(m_mutex);
        m_subscribers.emplace_back(report, layer);
        for (auto &d : m_devices)
            if (d->present)
                present.push_back(asHandle(d.get()));
    }
    for (am_device *device : present)
        report(layer, device, ADNCI_MSG_CONNECTED);
    return MDERR_OK;
}

int FolderBackend::connect(am_device *device)
{
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return MDERR_NO_DEVICE;
    d->connected = true;
    return MDERR_OK;
}

int FolderBackend::isPaired(am_device *device)
{
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return 0;
    if (d->pairedOverride)
        return *d->pairedOverride ? 1 : 0;
    PlistPtr plist = readPlistFile(d->dir + "/device.plist");
    plist_t paired = plist ? plist_dict_get_item(plist.get(), "Paired") : nullptr;
    if (!paired || plist_get_node_type(paired) != PLIST_BOOLEAN)
        return 1;
    uint8_t v = 1;
    plist_get_bool_val(paired, &v);
    return v ? 1 : 0;
}

int FolderBackend::validatePairing(am_device *device)
{
    if (!isPaired(device))
        return MDERR_FAILED;
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return MDERR_NO_DEVICE;
    return d->connected && !d->failValidation ? static_cast<int>(MDERR_OK) : static_cast<int>(MDERR_FAILED);
}

int FolderBackend::startSession(am_device *device)
{
    if (!isPaired(device))
        return MDERR_FAILED;
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return MDERR_NO_DEVICE;
    if (!d->connected || d->failSession)
        return MDERR_FAILED;
    d->sessionStarted = true;
    return MDERR_OK;
}

int FolderBackend::startService(am_device *device, const std::string &serviceName, service_conn_t *handle)
{
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return MDERR_NO_DEVICE;
    if (!handle || !d->sessionStarted || (serviceName != kAfcServiceName && serviceName != kProxyService))
        return MDERR_FAILED;
    auto failure = d->serviceFailures.find(serviceName);
    if (failure != d->serviceFailures.end() && failure->second != ServiceFailure::None) {
        if (failure->second == ServiceFailure::Once)
            failure->second = ServiceFailure::None;
        return MDERR_FAILED;
    }
    const service_conn_t id = m_nextService++;
    m_services[id] = Service{d, serviceName};
    *handle = id;
    return MDERR_OK;
}

std::optional<std::string> FolderBackend::copyValue(am_device *device, const std::string &key)
{
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return std::nullopt;
    PlistPtr plist = readPlistFile(d->dir + "/device.plist");
    plist_t values = plist ? plist_dict_get_item(plist.get(), "Values") : nullptr;
    if (!values || plist_get_node_type(values) != PLIST_DICT)
        return std::nullopt;
    return plistScalarText(plist_dict_get_item(values, key.c_str()));
}

std::string FolderBackend::copyDeviceIdentifier(am_device *device)
{
    std::lock_guard lock(m_mutex);
    for (auto &d : m_devices) {
        if (asHandle(d.get()) != device)
            continue;
        PlistPtr plist = readPlistFile(d->dir + "/device.plist");
        if (auto udid = plistScalarText(plist ? plist_dict_get_item(plist.get(), "UniqueDeviceID") : nullptr);
            udid && !udid->empty())
            return *udid;
        return fs::path(d->dir).filename().string();
    }
    return {};
}

int FolderBackend::postNotification(service_conn_t proxy, const std::string &name)
{
    std::lock_guard lock(m_mutex);
    auto it = m_services.find(proxy);
    if (it == m_services.end() || it->second.name != kProxyService || !it->second.device->present)
        return MDERR_FAILED;
    Device *d = it->second.device;
    d->posted.push_back(name);
    std::ofstream log(d->dir + "/notifications.log", std::ios::app);
    log << name << '\n';
    return log.good() ? static_cast<int>(MDERR_OK) : static_cast<int>(MDERR_FAILED);
}

int FolderBackend::connectionOpen(service_conn_t handle, afc_connection **connection)
{
    std::lock_guard lock(m_mutex);
    auto it = m_services.find(handle);
    if (it == m_services.end() || it->second.name != kAfcServiceName)
        return MDERR_FAILED;
    if (!it->second.device->present)
        return MDERR_NO_DEVICE;
    m_connections.push_back(std::make_unique<Connection>(Connection{it->second.device}));
    *connection = reinterpret_cast<afc_connection *>(m_connections.back().get());
    return MDERR_OK;
}

int FolderBackend::connectionClose(afc_connection *connection)
{
    std::lock_guard lock(m_mutex);
    for (auto &c : m_connections) {
        if (reinterpret_cast<afc_connection *>(c.get()) != connection)
            continue;
        if (c->closed)
            return MDERR_FAILED;
        c->closed = true;
        for (auto it = m_files.begin(); it != m_files.end();) {
            if (it->second.connection == c.get()) {
                ::close(it->second.fd);
                it = m_files.erase(it);
            } else {
                ++it;
            }
        }
        return MDERR_OK;
    }
    return MDERR_FAILED;
}

std::size_t FolderBackend::openConnectionCount() const
{
    std::lock_guard lock(m_mutex);
    std::size_t open = 0;
    for (const auto &c : m_connections)
        open += c->closed ? 0 : 1;
    return open;
}

int FolderBackend::deviceInfo(afc_connection *connection, afc_dictionary &out)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    PlistPtr plist = readPlistFile(c->device->dir + "/device.plist");
    plist_t info = plist ? plist_dict_get_item(plist.get(), "DeviceInfo") : nullptr;
    auto value = [&](const char *key) {
        return info && plist_get_node_type(info) == PLIST_DICT ? plistScalarText(plist_dict_get_item(info, key))
                                                               : std::nullopt;
    };
    struct statvfs vfs{};
    const bool haveVfs = ::statvfs(c->device->root.c_str(), &vfs) == 0;
    std::optional<uint64_t> total = parseCount(value("FSTotalBytes"));
    if (!total && haveVfs)
        total = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    std::optional<uint64_t> free = parseCount(value("FSFreeBytes"));
    if (!free && total) {
        const uint64_t used = bytesStoredUnder(c->device->root);
        free = used < *total ? *total - used : 0;
    }
    if (auto model = value("Model"))
        out.pairs.emplace_back("Model", *model);
    if (total)
        out.pairs.emplace_back("FSTotalBytes", std::to_string(*total));
    if (free)
        out.pairs.emplace_back("FSFreeBytes", std::to_string(*free));
    out.pairs.emplace_back("FSBlockSize", value("FSBlockSize").value_or("4096"));
    return MDERR_OK;
}

