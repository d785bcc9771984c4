// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/treenode.h"

class DeviceListModel;
class mainControler;

// The window's device list as the tests read it (appfixture.cpp): only there is its
// controller known.
DeviceListModel *deviceList(const mainControler &window);
int deviceCount(const mainControler &window);
TreeNodeArray selectedNodes(const mainControler &window);
bool customBooksSelected(const mainControler &window);
