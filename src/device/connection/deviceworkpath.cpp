// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/connection/deviceworkpath.h"

#include "core/scratch.h"
#include "device/connection/userdataiphone.h"
#include "device/link/mobiledevice.h"

std::string deviceWorkIdentifier(am_device *device)
{
    return device ? AMDeviceCopyDeviceIdentifier(device).substr(0, 255) : std::string();
}

std::string deviceWorkPath(userDataIphone *data, const std::string &relative)
{
    return data ? deviceScratchPath(deviceWorkIdentifier(data->dev), relative) : std::string();
}
