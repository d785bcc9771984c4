// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/surveyvalues.h"

#include "core/numbertext.h"

std::string surveyText(const StringDictionary &values, const char *key)
{
    auto it = key ? values.find(key) : values.end();
    return it == values.end() ? std::string() : it->second;
}

std::string listedDeviceName(const StringDictionary &values)
{
    const std::string name = surveyText(values, "DeviceName");
    return surveyText(values, "ConnectionType") == "Wi-Fi" ? name + " (Wi-Fi)" : name;
}

double surveyNumber(const StringDictionary &values, const char *key)
{
    return leadingNumber(surveyText(values, key));
}

std::string bytesToGB(double bytes)
{
    return formatFixed(bytes / 1024.0 / 1024.0 / 1024.0, 1) + "GB";
}

std::string bytesToMB(double bytes)
{
    return formatFixed(bytes / 1024.0 / 1024.0, 1) + "MB";
}

std::string sizeText(double bytes)
{
    return bytes >= 1073741824.0 ? bytesToGB(bytes) : bytesToMB(bytes);
}

std::string surveyFigure(double bytes)
{
    return formatFixed(bytes, 6);
}
