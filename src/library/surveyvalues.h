// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The survey dictionary's values as the device node, the device list and the device panel
// read and show them: text, numbers and sizes. The numbers and sizes are read and written
// with a '.' whatever the process's locale, so a comma-decimal locale shows "7.5GB"
// everywhere, as the survey wrote its figures.

#include "core/notificationcenter.h"

#include <string>

// The value under `key`, or the empty text when there is none.
std::string surveyText(const StringDictionary &values, const char *key);
// The device's name as the device list and panel show it: " (Wi-Fi)" follows the name of a
// device reached over the network ("ConnectionType" "Wi-Fi"): a slower link, and one that
// goes when the device leaves the network.
std::string listedDeviceName(const StringDictionary &values);
// The value's leading number ("8000000000", "123.000000"); 0 when there is none.
double surveyNumber(const StringDictionary &values, const char *key);

// Sizes with one decimal in powers of 1024: "%0.1fGB" and "%0.1fMB".
std::string bytesToGB(double bytes);
std::string bytesToMB(double bytes);
// Gigabytes from 1 GiB up, megabytes below.
std::string sizeText(double bytes);
// A figure as the survey writes it: "%f" (six decimals).
std::string surveyFigure(double bytes);
