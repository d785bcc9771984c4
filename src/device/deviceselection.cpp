// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/deviceselection.h"

#include "device/folder/demodevice.h"
#include "device/folder/folderbackend.h"

#if BOOKFERRY_USB
#include "device/usb/imobiledevicebackend.h"
#endif

namespace {
void setError(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
}

std::unique_ptr<DeviceBackend> folderDevice(const std::string &dir, std::string *error)
{
    auto backend = std::make_unique<FolderBackend>();
    if (!backend->attach(dir, error))
        return nullptr;
    return backend;
}
} // namespace

std::unique_ptr<DeviceBackend> makeDeviceBackend(const std::string &selection, std::string *error)
{
    if (selection.rfind("folder:", 0) == 0) {
        const std::string dir = selection.substr(7);
        if (dir.empty()) {
            setError(error, "folder: needs the folder of a device (folder:DIR)");
            return nullptr;
        }
        return folderDevice(dir, error);
    }
    if (selection == "demo") {
        const std::string dir = demoDeviceDir();
        if (dir.empty()) {
            setError(error, "no data folder for the demo device (set HOME or XDG_DATA_HOME)");
            return nullptr;
        }
        if (!ensureDemoDevice(dir, error))
            return nullptr;
        return folderDevice(dir, error);
    }
    if (selection == "usb" || selection.rfind("usb:", 0) == 0) {
        const std::string udid = selection.size() > 4 ? selection.substr(4) : std::string();
#if BOOKFERRY_USB
        return makeIMobileDeviceBackend(udid, error);
#else
        setError(error, "USB devices are not supported by this build");
        return nullptr;
#endif
    }
    setError(error, "unknown device selection \"" + selection + "\" (use usb, usb:UDID, folder:DIR or demo)");
    return nullptr;
}
