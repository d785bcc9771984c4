// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/deviceinfotable.h"

// The model names are kept letter for letter: users know their devices by these texts.
const IPodTypeSpecInfo DeviceInfoTable[] = {
    {1, "iPod"},
    {2, "iPod"},
    {3, "iPod mini"},
    {4, "iPod"},
    {5, "iPod photo"},
    {6, "iPod (5th gereration)"},
    {7, "iPod nano"},
    {9, "iPod nano (2nd gereration)"},
    {11, "iPod classic"},
    {12, "iPod nano (3rd generation)"},
    {15, "iPod nano (4rd generation)"},
    {16, "iPod nano (5rd gereration)"},
    {128, "iPod shuffle"},
    {130, "iPod shuffle (2nd generation)"},
    {10000, "iPhone"},
    {10001, "iPod Touch"},
    {10002, "iPad"},
    {-1, nullptr},
};

const IPodTypeSpecInfo *GetTypeSpecInfo(int32_t typeCode)
{
    for (const IPodTypeSpecInfo *info = DeviceInfoTable; info->typeCode != -1; ++info) {
        if (info->typeCode == typeCode)
            return info;
    }
    return nullptr;
}
