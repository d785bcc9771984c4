// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Every error code of libimobiledevice, lockdownd, AFC and the notification proxy as a
// sentence a user can act on. Codes the library does not define are logged with their
// raw number and get a generic sentence.

#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/notification_proxy.h>

#include <string>

std::string ideviceErrorText(idevice_error_t error);
std::string lockdownErrorText(lockdownd_error_t error);
std::string afcErrorText(afc_error_t error);
std::string notificationProxyErrorText(np_error_t error);

// The apps' services: a client error, and the "Error" a device answered house_arrest or
// installation_proxy with ("InstallationLookupFailed", ...).
std::string houseArrestErrorText(house_arrest_error_t error);
std::string appServiceRefusalText(const std::string &error);

// True for the lockdown errors that mean "this computer is not (yet) trusted": the user
// has to unlock the device and tap Trust.
bool isTrustError(lockdownd_error_t error);

// The sentence for a device without a pair record for this computer.
std::string notTrustedText();
