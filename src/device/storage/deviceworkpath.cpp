// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/deviceworkpath.h"

#include "core/scratch.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"

std::string deviceWorkIdentifier(am_device *device)
{
    return device ? AMDeviceCopyDeviceIdentifier(device).substr(0, 255) : std::string();
}

std::string deviceWorkPath(userDataIphone *data, const std::string &relative)
{
    return data ? deviceScratchPath(deviceWorkIdentifier(data->dev), relative) : std::string();
}
