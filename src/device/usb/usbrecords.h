// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The USB backend's own records and the owners of libimobiledevice's handles. Private to
// usb/.

#include "core/plistptr.h"

#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/notification_proxy.h>
#include <plist/plist.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

namespace usbbackend {

struct IdeviceFree { void operator()(idevice_t p) const { idevice_free(p); } };
struct LockdownFree { void operator()(lockdownd_client_t p) const { lockdownd_client_free(p); } };
struct ServiceDescriptorFree
{
    void operator()(lockdownd_service_descriptor_t p) const { lockdownd_service_descriptor_free(p); }
};
struct AfcFree { void operator()(afc_client_t p) const { afc_client_free(p); } };
struct HouseArrestFree { void operator()(house_arrest_client_t p) const { house_arrest_client_free(p); } };
struct NpFree { void operator()(np_client_t p) const { np_client_free(p); } };
struct AfcListFree { void operator()(char **p) const { afc_dictionary_free(p); } };
struct MallocFree { void operator()(void *p) const { std::free(p); } };

using IdevicePtr = std::unique_ptr<idevice_private, IdeviceFree>;
using LockdownPtr = std::unique_ptr<lockdownd_client_private, LockdownFree>;
using ServiceDescriptorPtr = std::unique_ptr<lockdownd_service_descriptor, ServiceDescriptorFree>;
using AfcPtr = std::unique_ptr<afc_client_private, AfcFree>;
using HouseArrestPtr = std::unique_ptr<house_arrest_client_private, HouseArrestFree>;
using NpPtr = std::unique_ptr<np_client_private, NpFree>;
using AfcListPtr = std::unique_ptr<char *, AfcListFree>;

// One arrival of a device. Handed out as am_device*; a later arrival of the same device
// gets a new record, so stale handles keep answering errors.
struct UsbDevice
{
    UsbDevice(std::string id, bool onNetwork) : udid(std::move(id)), network(onNetwork) {}

    const std::string udid;
    const bool network; // reached over the network (Wi-Fi) through the daemon, not by cable
    std::string networkAddress; // the daemon's NetworkAddress for it; set before it is reported
    std::atomic_bool present{true};
    std::mutex mutex; // serialises the lockdown conversation and guards the members below
    IdevicePtr device;
    LockdownPtr session; // lockdown client holding the device session
    bool valuesRead = false;
    std::map<std::string, std::string> values;
    std::string lastError;
};

// A started service (notification proxy or AFC), numbered by its service_conn_t.
struct UsbService
{
    UsbDevice *owner = nullptr;
    // An app's file service runs on the house_arrest connection, which must outlive its
    // AFC client: declared first, so it is freed after it.
    HouseArrestPtr houseArrest;
    AfcPtr afc;
    NpPtr np;
};

// Handed out as afc_connection*.
struct UsbConnection
{
    UsbDevice *owner = nullptr;
    afc_client_t afc = nullptr; // owned by the UsbService
};

} // namespace usbbackend
