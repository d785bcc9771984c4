// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/devicesleep.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace {
std::mutex g_mutex;
DeviceLinkSleeper g_sleeper;
} // namespace

DeviceLinkSleeper setDeviceLinkSleeper(DeviceLinkSleeper sleeper)
{
    std::lock_guard lock(g_mutex);
    std::swap(g_sleeper, sleeper);
    return sleeper;
}

void deviceLinkSleep(unsigned int seconds)
{
    DeviceLinkSleeper sleeper;
    {
        std::lock_guard lock(g_mutex);
        sleeper = g_sleeper;
    }
    if (sleeper)
        sleeper(seconds);
    else
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
}
