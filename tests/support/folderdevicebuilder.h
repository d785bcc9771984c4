// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/folder/folderbackend.h"
#include "tempdir.h"

#include <cstdint>
#include <memory>
#include <string>

// Builds a folder device for a test: device.plist (values, device information, pairing)
// and files and folders under root/. Files are written at once; write() writes
// device.plist (call it again after changing values). Device paths are absolute
// ("/Books/Books.plist").
class FolderDeviceBuilder
{
public:
    // A device in a temporary folder of its own, removed with the builder.
    FolderDeviceBuilder();
    // A device in `deviceDir` (left in place).
    explicit FolderDeviceBuilder(std::string deviceDir);

    // An iPhone on software `version` with a name, serial number and volume format.
    FolderDeviceBuilder &iPhone(const std::string &version = "16.7");
    FolderDeviceBuilder &udid(const std::string &udid);
    FolderDeviceBuilder &paired(bool paired);
    FolderDeviceBuilder &value(const std::string &key, const std::string &value);
    FolderDeviceBuilder &model(const std::string &model);
    FolderDeviceBuilder &deviceInfo(const std::string &key, const std::string &value);

    FolderDeviceBuilder &file(const std::string &devicePath, const std::string &content);
    FolderDeviceBuilder &sparseFile(const std::string &devicePath, uint64_t size);
    FolderDeviceBuilder &folder(const std::string &devicePath);

    // Writes device.plist; returns the device folder.
    const std::string &write();

    const std::string &dir() const { return m_dir; }
    // The local path of a device path.
    std::string local(const std::string &devicePath) const;

private:
    static void set(std::vector<std::pair<std::string, std::string>> &list, const std::string &key,
                    const std::string &value);
    static void erase(std::vector<std::pair<std::string, std::string>> &list, const std::string &key);

    std::unique_ptr<TempDir> m_temp;
    std::string m_dir;
    FolderDeviceDescription m_description;
};
