// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The device survey: the device's values, the catalogue copies and the media folder sums,
// handed on in one dictionary with DeviceInfoNotification. loadIPhone runs it on a worker
// thread behind its load window; the folder sums are used on their own as well.

#include "core/numbertext.h"
#include "device/storage/userdataiphone.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class LaneConnections;

extern const char *const DeviceInfoNotification; // "DeviceInfoNotification"

// Survey dictionary keys (values are all text).
extern const char *const ipod_Type;       // "ipodType"
extern const char *const Family_ID;       // "FamilyID"
extern const char *const FSTotal_Bytes;   // "FSTotalBytes"
extern const char *const FSFree_Bytes;    // "FSFreeBytes"
extern const char *const Product_Version; // "ProductVersion"
extern const char *const Serial_Number;   // "SerialNumber"
extern const char *const Volume_Format;   // "VolumeFormat"
extern const char *const Device_Name;     // "DeviceName"
extern const char *const Connection_Type; // "ConnectionType": "Wi-Fi" on the network; absent by cable

// How much a survey reads. The media folder sums take the survey's time on a large library
// (a request per file); a caller that shows no sizes leaves them out, and the dictionary
// then holds no "PhotoSzie", "BooksSzie", "MusicSzie" or "VideoSzie".
enum class SurveyScope
{
    Everything,
    WithoutMediaSums,
};

class DeviceSurvey
{
public:
    // `lanes` (may be null) lends the survey extra connections of the record's device.
    DeviceSurvey(userDataIphone *data, LaneConnections *lanes) : m_data(data), m_lanes(lanes) {}

    // Reads the values, copies the catalogues, sums the media folders (unless `scope` leaves
    // them out) and posts DeviceInfoNotification on the calling thread. `foldersWalked` (may
    // be empty) hears the count of folders walked so far, one call at a time and in order,
    // on this thread or on a lane's. A cleared `goOn` (may be null) ends the walk early, on
    // every connection, and nothing is posted: the figures would be wrong.
    void run(const std::function<void(int)> &foldersWalked, SurveyScope scope = SurveyScope::Everything,
             const std::atomic_bool *goOn = nullptr);
    // Extra connections a long walk uses at most. A walk is a request per entry, each a round
    // trip; more of them at once than a copy uses (bandwidth limits a copy) keep the link busy.
    // A device that will not open so many leaves the walk with those it opened.
    static constexpr size_t kLanes = 15;

    // The device value for `key`, or nullopt when the device has none.
    std::optional<std::string> readValue(const char *key);

private:
    userDataIphone *m_data;
    LaneConnections *m_lanes;
};

// Folder sum: bytes of the files below `folder` (hidden names skipped), 64-bit. With an
// extension list (null-terminated), only files whose path contains one of them count.
uint64_t get_file_size_in_floder(userDataIphone *data, const char *folder, const char *const *extensions);

// Several folder sums from one walk: one sum per extension list (a null list counts every
// file), each equal to get_file_size_in_floder with that list. `folderWalked` (may be
// empty) hears of every folder listed, one call at a time. The folders and entries may be
// asked about over the extra connections `lanes` of the same device as well (a thread each),
// so that the request round trips overlap; the sums, the messages and their order stay those
// of the one-connection walk.
std::vector<uint64_t> folderSums(userDataIphone *data, const char *folder,
                                 const std::vector<const char *const *> &extensionLists,
                                 const std::function<void()> &folderWalked = {},
                                 const std::vector<afc_connection *> &lanes = {});

// Writes "key:value\n" when the device has a value for the key.
void putinfotofile(userDataIphone *data, const char *key, std::FILE *out);

// The extension lists of the music and video figures.
extern const char *const kMusicExtensions[];
extern const char *const kVideoExtensions[];

// The kind table: "ipodType", "FamilyID" and the kind code for a device-information model text.
struct DeviceKind
{
    const char *ipodType;
    const char *familyID;
    int code;
};
DeviceKind deviceKindForModel(const char *model);
