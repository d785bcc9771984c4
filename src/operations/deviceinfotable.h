// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstdint>

// A device type code and its model name; the table ends with a record whose code is -1.
struct IPodTypeSpecInfo
{
    int32_t typeCode;
    const char *name;
};

extern const IPodTypeSpecInfo DeviceInfoTable[];

// The record with that code, or null.
const IPodTypeSpecInfo *GetTypeSpecInfo(int32_t typeCode);
