// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/epubnode.h"

#include "core/resources.h"

std::shared_ptr<epubNode> epubNode::initWithDevice(const std::shared_ptr<iPodDevice> &device)
{
    auto node = std::make_shared<epubNode>();
    node->m_titleName = iTunesBooksTitle;
    node->m_device = device;
    node->m_image = resourcePath("book.png");
    return node;
}

std::optional<NodeInfo> epubNode::getNodeInfo() const
{
    NodeInfo info;
    info.tableColumn_key = {"Name", "Artist", "Album", "Genre"};
    auto device = m_device.lock();
    if (!device)
        info.tableColumn_data = std::make_shared<EpubList>();
    else if (m_titleName == iTunesBooksTitle)
        info.tableColumn_data = std::make_shared<EpubList>(device->getiPodEbooks());
    else
        info.tableColumn_data = std::make_shared<EpubList>(device->getiPodCustomEbooks());
    return info;
}
