// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/backend/mobiledevice.h"

#include <memory>
#include <string>

// The backend named by a device selection string (the GUI's --device and the command-line
// tool's): "folder:DIR" (a folder device, attached at once), "demo" (the demo device under
// the user's data folder, made on first use) or "usb" / "usb:UDID" (real devices through
// usbmuxd). Null with *error set when the selection is unknown or cannot be served.
std::unique_ptr<DeviceBackend> makeDeviceBackend(const std::string &selection, std::string *error);
