// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The one connection object: subscribes to device notifications, brings an arriving device
// to an open file service and notification proxy, runs the survey, and offers the progress
// transfers and the tree copies. One instance for the process, in the global Loadiphone.
// Thread notes: the callback and mainloadIPhoneInfo run on the main thread; loadIPhoneInfo
// runs on its own worker thread; the transfers run on the caller's thread.

#include "devicesurvey.h"
#include "notificationcenter.h"
#include "synclock.h"
#include "userdataiphone.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern const char *const DeviceMountNotification;        // "DeviceMountNotification"
extern const char *const iphoneUnDeviceInfoNotification; // "iphoneUnDeviceInfoNotification"
extern const char *const DeviceInfoNotification;         // "DeviceInfoNotification"

// Survey dictionary keys (values are all text).
extern const char *const ipod_Type;       // "ipodType"
extern const char *const Family_ID;       // "FamilyID"
extern const char *const FSTotal_Bytes;   // "FSTotalBytes"
extern const char *const FSFree_Bytes;    // "FSFreeBytes"
extern const char *const Product_Version; // "ProductVersion"
extern const char *const Serial_Number;   // "SerialNumber"
extern const char *const Volume_Format;   // "VolumeFormat"
extern const char *const Device_Name;     // "DeviceName"

// The load window shown while a survey runs. runModal() blocks in a nested event loop on
// the main thread until abortModal() is called (from the main thread); orderOut() hides it.
class LoadWindow
{
public:
    virtual ~LoadWindow() = default;
    virtual void runModal() = 0;
    virtual void abortModal() = 0;
    virtual void orderOut() = 0;
    // Survey progress (folders walked so far); optional.
    virtual void surveyProgress(int /*foldersWalked*/) {}
};

// A QEventLoop-based load window with nothing on screen (tests, command-line tool).
class HeadlessLoadWindow : public LoadWindow
{
public:
    void runModal() override;
    void abortModal() override;
    void orderOut() override {}
    int timesRun() const { return m_runs; }

private:
    void *m_loop = nullptr; // the QEventLoop of the running modal session
    bool m_abortPending = false;
    int m_runs = 0;
};

// Receivers of the progress transfers' display updates (setDoubleValue: / setStringValue:).
class ProgressIndicator
{
public:
    virtual ~ProgressIndicator() = default;
    virtual void setDoubleValue(double percent) = 0;
};
class TextField
{
public:
    virtual ~TextField() = default;
    virtual void setStringValue(const std::string &text) = 0;
};

// What the last tree copy (copyTheseFiles or saveBooksFromPhoneToLocalPath) could not move,
// so a caller can judge the copy without asking the device again.
struct TreeCopyReport
{
    int failedFiles = 0;                 // files not copied whole, folders not walked
    std::vector<std::string> emptyFiles; // local paths of empty device files the download left out
};

class TransferLanes;

class loadIPhone
{
public:
    // Registers mainloadIPhoneInfo for DeviceMountNotification and subscribes to device
    // notifications. Returns null when the subscription fails; the instance then stays
    // alive (and registered) until discardUnsubscribed(). On success the caller owns the
    // instance, and it becomes the global Loadiphone; deleting it ends its subscription.
    static loadIPhone *initDevice(LoadWindow *window);
    ~loadIPhone();
    loadIPhone(const loadIPhone &) = delete;
    loadIPhone &operator=(const loadIPhone &) = delete;

    // Destroys the instances kept alive by failed initDevice calls (tests).
    static void discardUnsubscribed();

    userDataIphone *user_data() { return &m_user_data; }
    LoadWindow *loadwindow() const { return m_loadwindow; }

    // The subscription callback; `context` is the record's address.
    static void notification(am_device_notification_callback_info *info, void *context);

    // Progress transfers (0 / -1).
    int getfile(userDataIphone *data, const char *localpath, const char *remotepath, ProgressIndicator *progress,
                TextField *progressText, int64_t tatolSize, int64_t *redoSize);
    int put_file(userDataIphone *data, const char *localpath, const char *remotepath, ProgressIndicator *progress,
                 TextField *progressText, int64_t tatolSize, int64_t *redoSize);

    // Survey.
    void mainloadIPhoneInfo(const Notification &notification);
    void closeloadSyncWindow(void *unused);
    void loadIPhoneInfo(const Notification &notification);
    std::optional<std::string> readValue(const char *key);

    // Tree copies.
    int cpAllFilesfromPath(const char *srcPath, const char *dstPah, userDataIphone *data);
    int copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase, userDataIphone *data);
    int mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                    userDataIphone *data);
    // nullopt when the device folder cannot be listed.
    std::optional<std::vector<std::string>> saveBooksFromPhoneToLocalPath(const std::string &localPath,
                                                                          const std::string &srcepub,
                                                                          bool isbuybook, userDataIphone *data);
    int copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data);
    int drillIntoSubdirectory(const std::string &dir, userDataIphone *data);
    int copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data);
    const TreeCopyReport &lastTreeCopy() const { return m_lastTreeCopy; }

private:
    loadIPhone() = default;
    userDataIphone m_user_data;
    LoadWindow *m_loadwindow = nullptr;
    LoadWindow *m_modalWindow = nullptr;           // the window of the running modal session
    am_device_notification *m_subscription = nullptr;
    std::thread m_surveyThread;
    std::atomic_bool m_surveyFinished{false};
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // guards hand-overs queued to the main thread

    // Tree copies: extra file-service connections of the current device, and while a copy
    // runs, the lanes its files go through and what failed.
    std::vector<afc_connection *> laneConnections(userDataIphone *data);
    void noteCopyResult(bool ok);
    void queueUpload(const std::string &file, const std::string &baseDir, userDataIphone *data);
    void queueDownload(const std::string &remotePath, const std::string &localDir, userDataIphone *data);
    void visitRemoteEntry(const std::string &remotePath, const std::string &localDir, userDataIphone *lane);
    void noteDownload(bool ok, bool empty, const std::string &local);
    std::vector<afc_connection *> m_laneConnections;
    afc_connection *m_lanesOf = nullptr;
    DeviceBackend *m_lanesBackend = nullptr;
    TransferLanes *m_activeLanes = nullptr;
    std::mutex m_reportMutex;
    TreeCopyReport m_lastTreeCopy;
};

extern loadIPhone *Loadiphone;
