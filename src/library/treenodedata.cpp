// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/treenodedata.h"

int TreeNodeData::compare(const TreeNodeData &) const
{
    return -1;
}

std::string TreeNodeData::description() const
{
    return "TreeNodeData";
}
