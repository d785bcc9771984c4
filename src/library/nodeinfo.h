// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"
#include "library/epub.h"

#include <memory>
#include <string>
#include <vector>

// Key texts of a node's information (the dictionary the main window shows for a selection).
namespace NodeInfoKey {
inline constexpr const char *isDeviceInfo = "isDeviceInfo";
inline constexpr const char *music_Size = "music_Size";
inline constexpr const char *vide_Size = "vide_Size";
inline constexpr const char *picture_Size = "picture_Size";
inline constexpr const char *books_size = "books_size";
inline constexpr const char *other_Size = "other_Size";
inline constexpr const char *tableColumn_key = "tableColumn_key";
inline constexpr const char *tableColumn_data = "tableColumn_data";
// Keys of the dictionary a device node is made from.
inline constexpr const char *Volumes_KEY = "Volumes_KEY";
inline constexpr const char *guid = "guid";
inline constexpr const char *PhotoSzie = "PhotoSzie";
inline constexpr const char *BooksSzie = "BooksSzie";
inline constexpr const char *MusicSzie = "MusicSzie";
inline constexpr const char *VideoSzie = "VideoSzie";
} // namespace NodeInfoKey

// What a selected node describes. A device node fills `device` (the survey dictionary plus
// "isDeviceInfo" and the size keys, all text); a book-list node fills the column identifiers
// ("tableColumn_key") and a fresh list of records ("tableColumn_data"), which the book table
// adopts as it is.
struct NodeInfo
{
    StringDictionary device;
    std::vector<std::string> tableColumn_key;
    std::shared_ptr<EpubList> tableColumn_data;

    bool isDeviceInfo() const { return device.count(NodeInfoKey::isDeviceInfo) != 0; }
};
