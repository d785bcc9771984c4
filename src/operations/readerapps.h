// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Which of a device's sharing apps take books, for the window's device list and the CLI's
// `apps` alike. An app that shares its files is a reader when its attributes say it takes
// ePub or belongs to the books category (deviceapps.h), when its Documents already hold
// ePubs, or when the user chose it with "Use for Books" (kept per device and app).

#include "device/backend/mobiledevice.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

class QSettings;

// How far the look into an app's Documents goes: folders down to two levels below it, and no
// more entries than this in all, so that an app full of other files costs little.
inline constexpr int kEpubProbeDepth = 2;
inline constexpr size_t kEpubProbeEntries = 200;

// True when the app's Documents hold an ePub (a file or an unpacked folder) within the bounds
// above; on one connection, closed before it returns. False when they cannot be read.
bool appHoldsEpubs(am_device *device, const std::string &identifier);

// The apps that share their files (listSharingApps), each marked with `chosenForBooks` from
// `chosen` and, when nothing else makes it a reader, `holdsEpubs` from a look into its
// Documents. `stop`, when given and set, ends the looks early (the apps stay listed).
int listBookApps(am_device *device, const std::vector<std::string> &chosen, std::vector<DeviceApp> &apps,
                 std::string *why = nullptr, const std::atomic_bool *stop = nullptr);

// The apps the user chose with "Use for Books" on the device, from the settings the window
// and the CLI share.
std::vector<std::string> appsUsedForBooks(const QSettings &settings, const std::string &deviceIdentifier);
void setAppUsedForBooks(QSettings &settings, const std::string &deviceIdentifier, const std::string &app,
                        bool used);

// What the user is told when a device has sharing apps but no reader among them (or no app
// at all): the first sentences, shared; each front end adds how to pick any app there.
QString noReaderAppHint();
