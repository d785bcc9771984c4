// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/ipoddevice.h"
#include "library/treenode.h"

#include <memory>
#include <string>

class iPodRootNode;

// One of a device's two book lists. It does not own the device (its device node does).
class epubNode final : public TreeNode
{
public:
    static constexpr const char *iTunesBooksTitle = "iTunes Books";
    static constexpr const char *CustomBooksTitle = "Custom Books";

    // Titled "iTunes Books"; the device node retitles the second list.
    static std::shared_ptr<epubNode> initWithDevice(const std::shared_ptr<iPodDevice> &device);

    std::string titleName() const override { return m_titleName; }
    void setTitleName(const std::string &title) { m_titleName = title; }
    std::string image() const override { return m_image; }
    std::shared_ptr<iPodDevice> device() const { return m_device.lock(); }
    // The device node this list belongs to (its parent).
    iPodRootNode *whichIpodNode() const { return m_nodeParent ? m_nodeParent->asDeviceNode() : nullptr; }
    bool canDelete() const { return false; }

    // The book table's column identifiers and a fresh list read from the catalogue copies.
    std::optional<NodeInfo> getNodeInfo() const override;

private:
    std::weak_ptr<iPodDevice> m_device;
    std::string m_titleName;
    std::string m_image;
};
