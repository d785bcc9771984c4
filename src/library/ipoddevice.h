// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/epub.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The model object of one device. Its two book lists are read afresh from the catalogue
// copies in its volume folder (the device's working folder below the scratch folder) on
// every call; it never talks to the device itself.
class iPodDevice final
{
public:
    // deviceType: 3 for software 3.0 or later, 2 below; without a version, 4 when the volume
    // holds an "iTunes Library.itlp", else 1.
    iPodDevice(const std::string &volumePath, const std::optional<std::string> &productVersion);
    static std::shared_ptr<iPodDevice> initDeviceWithData(const std::string &volumePath,
                                                          const std::optional<std::string> &productVersion);
    iPodDevice(const iPodDevice &) = delete;
    iPodDevice &operator=(const iPodDevice &) = delete;

    const std::string &volumePath() const { return m_volumePath; }
    const std::optional<std::string> &productVersion() const { return m_productVersion; }
    int32_t deviceType() const { return m_deviceType; }

    // Library books then purchased books / the user's own books, as new record lists.
    EpubList getiPodEbooks() const;
    EpubList getiPodCustomEbooks() const;

    std::vector<std::string> getiPodMusic() const { return {}; }
    std::vector<std::string> getiPodVideo() const { return {}; }
    std::vector<std::string> getiPodRingtone() const { return {}; }
    double getPhotoFileSize() const { return 0.0; }
    int productVersion312() const;
    bool reloadDB() { return true; }
    bool reloadPhotoDB() { return true; }
    bool writeItdb() { return false; }
    bool upDateDB(const std::string & /*unused*/) { return false; }
    int DeviceType() const { return 0; }

    bool isShuffle() const { return m_isShuffle; }
    void setIsShuffle(bool value) { m_isShuffle = value; }
    bool isTouch() const { return m_isTouch; }
    void setIsTouch(bool value) { m_isTouch = value; }
    const std::string &puid() const { return m_puid; }
    void setPuid(const std::string &value) { m_puid = value; }

private:
    std::string m_volumePath;
    std::optional<std::string> m_productVersion;
    int32_t m_deviceType = 0;
    bool m_isShuffle = false;
    bool m_isTouch = false;
    std::string m_puid;
};
