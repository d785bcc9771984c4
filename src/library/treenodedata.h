// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// The (empty) payload of a tree node. Every comparison answers "ascending".
class TreeNodeData
{
public:
    virtual ~TreeNodeData() = default;
    virtual int compare(const TreeNodeData &other) const;
    virtual std::string description() const;
};
