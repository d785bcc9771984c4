// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The USB backend's file service: the AFC calls on a connection the device side opened.
#include "device/usb/deviceerrors.h"
#include "device/usb/usbbackend.h"

#include <libimobiledevice/afc.h>

#include <algorithm>
#include <cstdint>

namespace usbbackend {

namespace {
// afc_file_write sends one packet per call and afc_file_read asks for one reply per call;
// bounded chunks keep both the packets and the memory of either side small.
constexpr uint32_t TransferChunk = 1u << 20;
} // namespace

int IMobileDeviceBackend::connectionOpen(service_conn_t handle, afc_connection **connection)
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

int IMobileDeviceBackend::connectionClose(afc_connection *connection)
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

int IMobileDeviceBackend::deviceInfo(afc_connection *connection, afc_dictionary &out)
{
    UsbConnection *c = find(connection);
    if (!c)
        return MDERR_FAILED;
    char **raw = nullptr;
    const afc_error_t result = afc_get_device_info(c->afc, &raw);
    return fillPairs(c, result, AfcListPtr(raw), out);
}

int IMobileDeviceBackend::fileInfo(afc_connection *connection, const char *path, afc_dictionary &out)
{
    UsbConnection *c = find(connection);
    if (!c || !path)
        return MDERR_FAILED;
    char **raw = nullptr;
    const afc_error_t result = afc_get_file_info(c->afc, path, &raw);
    return fillPairs(c, result, AfcListPtr(raw), out);
}

int IMobileDeviceBackend::directoryList(afc_connection *connection, const char *path, afc_directory &out)
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

int IMobileDeviceBackend::directoryCreate(afc_connection *connection, const char *path)
{
    UsbConnection *c = find(connection);
    return c && path ? afcResult(c, afc_make_directory(c->afc, path)) : MDERR_FAILED;
}

int IMobileDeviceBackend::removePath(afc_connection *connection, const char *path)
{
    UsbConnection *c = find(connection);
    return c && path ? afcResult(c, afc_remove_path(c->afc, path)) : MDERR_FAILED;
}

int IMobileDeviceBackend::renamePath(afc_connection *connection, const char *from, const char *to)
{
    UsbConnection *c = find(connection);
    return c && from && to ? afcResult(c, afc_rename_path(c->afc, from, to)) : MDERR_FAILED;
}

int IMobileDeviceBackend::fileOpen(afc_connection *connection, const char *path, uint64_t mode,
                                   afc_file_ref *ref)
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

int IMobileDeviceBackend::fileRead(afc_connection *connection, afc_file_ref ref, void *buffer,
                                   unsigned int *len)
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

int IMobileDeviceBackend::fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer,
                                    unsigned int len)
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

int IMobileDeviceBackend::fileSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset)
{
    UsbConnection *c = find(connection);
    if (!c || offset > static_cast<uint64_t>(INT64_MAX))
        return MDERR_FAILED;
    return afcResult(c, afc_file_seek(c->afc, ref, static_cast<int64_t>(offset), SEEK_SET));
}

int IMobileDeviceBackend::fileClose(afc_connection *connection, afc_file_ref ref)
{
    UsbConnection *c = find(connection);
    return c ? afcResult(c, afc_file_close(c->afc, ref)) : MDERR_FAILED;
}

int IMobileDeviceBackend::fileLock(afc_connection *connection, afc_file_ref ref)
{
    UsbConnection *c = find(connection);
    // AFC_LOCK_EX carries the non-blocking bit: a held lock answers at once.
    return c ? afcResult(c, afc_file_lock(c->afc, ref, AFC_LOCK_EX)) : MDERR_FAILED;
}

int IMobileDeviceBackend::fileUnlock(afc_connection *connection, afc_file_ref ref)
{
    UsbConnection *c = find(connection);
    return c ? afcResult(c, afc_file_lock(c->afc, ref, AFC_LOCK_UN)) : MDERR_FAILED;
}

UsbConnection *IMobileDeviceBackend::find(afc_connection *handle)
{
    std::lock_guard lock(m_mutex);
    for (auto &c : m_connections)
        if (reinterpret_cast<afc_connection *>(&c) == handle)
            return c.afc ? &c : nullptr; // closed: answers errors
    return nullptr;
}

int IMobileDeviceBackend::afcFail(UsbConnection *c, afc_error_t error)
{
    fail(c->owner, int(error), afcErrorText(error), true);
    // AFC status codes double as the layer's results: 8 not found, 19 busy.
    return error == AFC_E_SUCCESS ? MDERR_FAILED : int(error);
}

int IMobileDeviceBackend::afcResult(UsbConnection *c, afc_error_t error)
{
    return error == AFC_E_SUCCESS ? MDERR_OK : afcFail(c, error);
}

int IMobileDeviceBackend::fillPairs(UsbConnection *c, afc_error_t result, AfcListPtr list,
                                    afc_dictionary &out)
{
    if (result != AFC_E_SUCCESS)
        return afcFail(c, result);
    out.pairs.clear();
    out.next = 0;
    for (char **p = list.get(); p && p[0] && p[1]; p += 2)
        out.pairs.emplace_back(p[0], p[1]);
    return MDERR_OK;
}

} // namespace usbbackend
