// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookoperationresult.h"
#include "operations/deviceoutline.h"

#include <string>

class epub;

// The controller of the device list: the outline (deviceoutline.h) and, under the names the
// window and the tests call them by, the book operations of the library's catalogue shelf
// (bookshelf.h). Each works in a context of its own (a batch runs the shelf itself) and may run
// on a transfer thread: it touches files and the device, never the tree.
class iPodTreeListControler : public DeviceOutline
{
    Q_OBJECT
public:
    using DeviceOutline::DeviceOutline;

    BookOperationResult addEPUBToDevice(const std::string &path);
    BookOperationResult saveEpubToMac(const std::string &path, const std::string &dstpath, bool isbuybook,
                                      const std::string &titlename);
    BookOperationResult deleteMediaFromDevice(const epub &record);
};
