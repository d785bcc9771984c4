// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <functional>

// The device link's waits: the sync lock's one-second retries and the notification
// proxy's two-second retry. Tests install a sleeper that counts instead of waiting.
using DeviceLinkSleeper = std::function<void(unsigned int seconds)>;

// Installs `sleeper` (null restores the real sleep) and returns the previous one.
DeviceLinkSleeper setDeviceLinkSleeper(DeviceLinkSleeper sleeper);
void deviceLinkSleep(unsigned int seconds);
