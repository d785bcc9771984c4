// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The conversations with a device's app services, on a service the backend started: each
// answers an MDERR code and, on failure, the sentence for the user in *text.

#include "device/backend/deviceapps.h"
#include "device/usb/usbrecords.h"

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>

#include <string>
#include <vector>

namespace usbbackend {
// installation_proxy Browse of the user's apps, its pages read until Status "Complete"; only
// apps that share their documents are kept.
int browseSharingApps(idevice_t device, lockdownd_service_descriptor_t descriptor, std::vector<DeviceApp> &apps,
                      std::string *text);
// springboard services' icon of an app, as PNG bytes.
int readAppIcon(idevice_t device, lockdownd_service_descriptor_t descriptor, const std::string &identifier,
                std::string &png, std::string *text);
// house_arrest VendDocuments for `identifier`, then the AFC client on that connection:
// `houseArrest` must outlive `afcClient`.
int vendDocuments(idevice_t device, lockdownd_service_descriptor_t descriptor, const std::string &identifier,
                  HouseArrestPtr &houseArrest, AfcPtr &afcClient, std::string *text);
} // namespace usbbackend
