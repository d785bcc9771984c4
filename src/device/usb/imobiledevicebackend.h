// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The imobiledevice backend: real devices through usbmuxd (libimobiledevice and
// libusbmuxd). usbmuxd is found where libusbmuxd looks for it: /var/run/usbmuxd, or
// USBMUXD_SOCKET_ADDRESS ("UNIX:/path" or "host:port") when set. usbmuxd need not run
// when the backend subscribes: devices are reported once it starts, and again after it
// restarts; the device events come from MuxSocketWatch's own connection.

#include "device/backend/mobiledevice.h"

#include <memory>
#include <string>

// udid empty: the first device that arrives is served until it is removed; devices arriving
// meanwhile wait, and the first of them arrives when it goes. Otherwise only the device
// with that identifier is served.
// nullptr with *error when udid is not a device identifier.
std::unique_ptr<DeviceBackend> makeIMobileDeviceBackend(const std::string &udid, std::string *error);

// Why the last operation on this device failed, as a sentence a user can act on ("The
// device is locked. Unlock it, tap Trust if asked, and try again."); empty when nothing
// failed or the device does not belong to the imobiledevice backend in use.
std::string lastDeviceError(am_device *device);
