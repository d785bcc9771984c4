// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The folder backend's records of devices, services, connections and open files. The
// backend (folderbackend.h) owns them, under its mutex; its device side, file service and
// apps read them.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class FolderServiceFailure { None, Once, Always };

struct FolderDeviceRecord
{
    std::string dir;
    std::string root; // real path of DEVICE_DIR/root
    bool present = true;
    bool connected = false;
    bool sessionStarted = false;
    std::optional<bool> pairedOverride;
    bool failValidation = false;
    bool failSession = false;
    std::map<std::string, FolderServiceFailure> serviceFailures;
    std::vector<std::string> posted;
    // Views of this device confined to one app's container (root is the container): an
    // app's connection resolves its paths there and stops with the device.
    std::vector<std::unique_ptr<FolderDeviceRecord>> appViews;
};

struct FolderServiceRecord
{
    FolderDeviceRecord *device;
    std::string name;
};

struct FolderConnectionRecord
{
    FolderDeviceRecord *device;
    bool closed = false;
};

struct FolderOpenFileRecord
{
    FolderConnectionRecord *connection;
    int fd;
    bool locked = false;
};
