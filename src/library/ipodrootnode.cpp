// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/ipodrootnode.h"

#include "core/numbertext.h"
#include "core/resources.h"
#include "library/epubnode.h"
#include "library/nodeinfo.h"
#include "library/surveyvalues.h"

#include <optional>

namespace {
long long integerValue(const std::string &text)
{
    return static_cast<long long>(leadingNumber(text));
}
} // namespace

std::shared_ptr<iPodRootNode> iPodRootNode::initNoDevice()
{
    auto node = std::make_shared<iPodRootNode>();
    node->m_iPodName = NoDeviceTitle;
    return node;
}

std::shared_ptr<iPodRootNode> iPodRootNode::initWithDictionary(const StringDictionary &dictionary)
{
    const std::string volumePath = surveyText(dictionary, NodeInfoKey::Volumes_KEY);
    if (volumePath.empty())
        return nullptr;
    std::optional<std::string> productVersion;
    if (auto it = dictionary.find("ProductVersion"); it != dictionary.end())
        productVersion = it->second;

    auto node = std::make_shared<iPodRootNode>();
    node->m_photoSzie = surveyText(dictionary, NodeInfoKey::PhotoSzie);
    node->m_BooksSzie = surveyText(dictionary, NodeInfoKey::BooksSzie);
    node->m_MusicSzie = surveyText(dictionary, NodeInfoKey::MusicSzie);
    node->m_VideoSzie = surveyText(dictionary, NodeInfoKey::VideoSzie);
    node->m_device = iPodDevice::initDeviceWithData(volumePath, productVersion);
    if (!node->m_device)
        return nullptr;
    node->m_iPodName = "iPod";
    if (productVersion)
        node->m_image = resourcePath(surveyText(dictionary, "ipodType") == "iPad" ? "ipad.png" : "iphonenor.png");
    else
        node->m_image = resourcePath("ipod.png");

    node->addChild(epubNode::initWithDevice(node->m_device));
    auto custom = epubNode::initWithDevice(node->m_device);
    custom->setTitleName(epubNode::CustomBooksTitle);
    node->addChild(custom);
    return node;
}

std::optional<NodeInfo> iPodRootNode::getNodeInfo() const
{
    if (m_nodeChildren.empty())
        return std::nullopt;
    NodeInfo info;
    info.device = m_deviceInfoDic;
    // Moved in: gcc 12 at -O3 warns falsely (-Wrestrict) when the literal is assigned.
    info.device[NodeInfoKey::isDeviceInfo] = std::string("1");
    info.device[NodeInfoKey::music_Size] = m_MusicSzie;
    info.device[NodeInfoKey::vide_Size] = m_VideoSzie;
    info.device[NodeInfoKey::picture_Size] = m_photoSzie;
    info.device[NodeInfoKey::books_size] = m_BooksSzie;
    // May come out negative when the survey's figures overlap; kept as computed.
    const double total = surveyNumber(m_deviceInfoDic, "FSTotalBytes");
    const double freeBytes = surveyNumber(m_deviceInfoDic, "FSFreeBytes");
    const double used = leadingNumber(m_photoSzie) + leadingNumber(m_MusicSzie) + leadingNumber(m_VideoSzie) +
                        freeBytes + leadingNumber(m_BooksSzie);
    info.device[NodeInfoKey::other_Size] = surveyFigure(total - used);
    return info;
}

bool iPodRootNode::devicesupportsphoto() const
{
    switch (integerValue(surveyText(m_deviceInfoDic, "FamilyID"))) {
    case 5: case 6: case 7: case 9: case 12: case 15: case 16: case 10000: case 10001:
        return true;
    default:
        return false;
    }
}

bool iPodRootNode::devicesupportsvideo() const
{
    switch (integerValue(surveyText(m_deviceInfoDic, "FamilyID"))) {
    case 6: case 11: case 12: case 15: case 16: case 10000: case 10001:
        return true;
    default:
        return false;
    }
}
