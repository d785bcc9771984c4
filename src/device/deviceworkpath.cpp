// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "deviceworkpath.h"

#include "mobiledevice.h"
#include "scratch.h"
#include "userdataiphone.h"

std::string deviceWorkIdentifier(am_device *device)
{
    return device ? AMDeviceCopyDeviceIdentifier(device).substr(0, 255) : std::string();
}

std::string deviceWorkPath(userDataIphone *data, const std::string &relative)
{
    return data ? deviceScratchPath(deviceWorkIdentifier(data->dev), relative) : std::string();
}
