// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"
#include "library/ipoddevice.h"
#include "library/treenode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A device in the outline (with its two book lists as children), or the placeholder shown
// while no device is connected.
class iPodRootNode final : public TreeNode
{
public:
    static constexpr const char *NoDeviceTitle = "Please connect to your device";

    static std::shared_ptr<iPodRootNode> initNoDevice();
    // From the controller's device dictionary ("Volumes_KEY", "ProductVersion", "ipodType" and
    // the four size texts); null when the device object cannot be made.
    static std::shared_ptr<iPodRootNode> initWithDictionary(const StringDictionary &dictionary);

    std::string titleName() const override { return m_iPodName; }
    void setTitleName(const std::string &title) { m_iPodName = title; }
    std::string iPodVolumePath() const { return m_device ? m_device->volumePath() : std::string(); }
    const std::shared_ptr<iPodDevice> &device() const { return m_device; }
    const StringDictionary &deviceInfoDic() const { return m_deviceInfoDic; }
    void setDeviceInfoDic(const StringDictionary &info) { m_deviceInfoDic = info; }
    std::string image() const override { return m_image; }
    void setImage(const std::string &image) { m_image = image; }
    const iPodRootNode *whichIpodNode() const { return this; }
    iPodRootNode *whichIpodNode() { return this; }
    iPodRootNode *asDeviceNode() override { return this; }
    const std::vector<std::string> &playLists() const { return m_playLists; }
    bool isPlaceholder() const { return !m_device; }

    // The survey dictionary plus "isDeviceInfo" and the size keys; none for the placeholder.
    std::optional<NodeInfo> getNodeInfo() const override;

    bool devicesupportsphoto() const;
    bool devicesupportsvideo() const;
    bool canDelete() const { return false; }

    const std::string &photoSzie() const { return m_photoSzie; }
    const std::string &BooksSzie() const { return m_BooksSzie; }
    const std::string &MusicSzie() const { return m_MusicSzie; }
    const std::string &VideoSzie() const { return m_VideoSzie; }

private:
    std::shared_ptr<iPodDevice> m_device;
    std::string m_iPodName;
    StringDictionary m_deviceInfoDic;
    std::string m_image;
    std::vector<std::string> m_playLists;
    [[maybe_unused]] int64_t m_playListId = 0; // kept in the record; nothing reads it yet
    std::string m_photoSzie;
    std::string m_BooksSzie;
    std::string m_MusicSzie;
    std::string m_VideoSzie;
};
