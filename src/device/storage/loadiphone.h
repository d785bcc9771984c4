// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The one connection object: subscribes to device notifications, brings an arriving device
// to an open file service and notification proxy, runs the survey, and offers the progress
// transfers and the tree copies. One instance for the process, in the global Loadiphone.
// The survey (DeviceSurvey) and the tree copies (TreeCopier) are classes of their own; the
// methods of the same names here forward to them.
// Thread notes: the callback and mainloadIPhoneInfo run on the main thread; loadIPhoneInfo
// runs on its own worker thread; the transfers run on the caller's thread.
//
// Holds: the record is rewritten by an arrival (and by a removal only while nothing holds the
// link), and an arrival never runs while the link is held: by another arrival and its survey, or by an open DeviceSession (a batch).
// An arrival that comes meanwhile waits in a queue and is handled, with its own survey,
// once the hold ends. A removal is announced at once, but leaves a held record as it is.
// Readers that must not hold arrivals off (the cover loader) open a ReadSession instead.

#include "core/notificationcenter.h"
#include "device/storage/devicesurvey.h"
#include "device/storage/laneconnections.h"
#include "device/storage/loadwindow.h"
#include "device/storage/synclock.h"
#include "device/storage/treecopier.h"
#include "device/storage/userdataiphone.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern const char *const DeviceMountNotification;        // "DeviceMountNotification"
extern const char *const iphoneUnDeviceInfoNotification; // "iphoneUnDeviceInfoNotification"

// An arriving device that cannot be opened ends its arrival with one of the fixed log
// lines and no notification at all. The window and the command-line tool tell the user why
// from this event instead: observers run on the main thread, inside the device callback,
// once per failed arrival (a connection that is refused at once logs nothing and makes no
// event).
struct DeviceArrivalFailure
{
    std::string step;   // the failed step's log line, e.g. "AMDeviceIsPaired error!"
    std::string reason; // the backend's sentence for the user (deviceErrorSentence); may be empty
};
using ArrivalFailureObserver = std::function<void(const DeviceArrivalFailure &)>;
// `observer` is the key removeArrivalFailureObserver takes; one observer may add several.
void addArrivalFailureObserver(const void *observer, ArrivalFailureObserver callback);
void removeArrivalFailureObserver(const void *observer);

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

class DeviceSession;
class ReadSession;
struct LinkHolds;

class loadIPhone
{
public:
    // Registers mainloadIPhoneInfo for DeviceMountNotification and subscribes to device
    // notifications. Returns null when the subscription fails; the instance then stays
    // alive (and registered) until discardUnsubscribed(). On success the caller owns the
    // instance, and it becomes the global Loadiphone; deleting it ends its subscription.
    // `scope` says what each arrival's survey reads.
    static loadIPhone *initDevice(LoadWindow *window, SurveyScope scope = SurveyScope::Everything);
    ~loadIPhone();
    loadIPhone(const loadIPhone &) = delete;
    loadIPhone &operator=(const loadIPhone &) = delete;

    // Destroys the instances kept alive by failed initDevice calls (tests).
    static void discardUnsubscribed();

    userDataIphone *user_data() { return &m_user_data; }
    LoadWindow *loadwindow() const { return m_loadwindow; }

    // The subscription callback; `context` is the record's address.
    static void notification(am_device_notification_callback_info *info, void *context);

    // A session on the current device for a batch, from any thread: a copy of the record
    // that no arrival can swap. Arrivals wait until every session has ended. Off the main
    // thread this waits for a running arrival and its survey to end; on the main thread it
    // cannot wait for them and answers null instead.
    std::shared_ptr<DeviceSession> openSession();
    // A session for short reads on the current device that holds no arrival off (see
    // ReadSession). Null while no device's file service is open. Off the main thread it waits
    // for a running arrival and its survey to end, as openSession does; on the main thread the
    // record is already the arriving device's.
    std::shared_ptr<ReadSession> openReadSession();
    // The longest an arrival waits for a read under way. A read is one request and what is done
    // with its answer; one that takes longer is a hung device, whose handles the backend keeps
    // valid, so the arrival goes on.
    static constexpr std::chrono::seconds kReadWait{5};

    // Progress transfers (0 / -1).
    int getfile(userDataIphone *data, const char *localpath, const char *remotepath, ProgressIndicator *progress,
                TextField *progressText, int64_t tatolSize, int64_t *redoSize);
    int put_file(userDataIphone *data, const char *localpath, const char *remotepath, ProgressIndicator *progress,
                 TextField *progressText, int64_t tatolSize, int64_t *redoSize);

    // Survey (DeviceSurvey).
    void mainloadIPhoneInfo(const Notification &notification);
    void closeloadSyncWindow(void *unused);
    void loadIPhoneInfo(const Notification &notification);
    // Any thread: the running survey ends early and posts nothing (the program is ending).
    void stopSurvey() { m_surveyGoOn = false; }
    std::optional<std::string> readValue(const char *key) { return m_survey.readValue(key); }

    // Tree copies (TreeCopier).
    int cpAllFilesfromPath(const char *srcPath, const char *dstPah, userDataIphone *data)
    {
        return m_treeCopier.cpAllFilesfromPath(srcPath, dstPah, data);
    }
    int copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase, userDataIphone *data)
    {
        return m_treeCopier.copyFileAtRemotePath(remotePath, localBase, data);
    }
    int mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                    userDataIphone *data)
    {
        return m_treeCopier.mirrorDirectoryAtRemotePath(remotePath, localDir, data);
    }
    // nullopt when the device folder cannot be listed.
    std::optional<std::vector<std::string>>
    saveBooksFromPhoneToLocalPath(const std::string &localPath, const std::string &srcepub, bool isbuybook,
                                  userDataIphone *data, const TreeCopier::FileDone &downloaded = {},
                                  const std::atomic_bool *goOn = nullptr)
    {
        return m_treeCopier.saveBooksFromPhoneToLocalPath(localPath, srcepub, isbuybook, data, downloaded,
                                                          goOn);
    }
    int copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data)
    {
        return m_treeCopier.copyThisFile(file, baseDir, data);
    }
    int drillIntoSubdirectory(const std::string &dir, userDataIphone *data)
    {
        return m_treeCopier.drillIntoSubdirectory(dir, data);
    }
    int copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data)
    {
        return m_treeCopier.copyTheseFiles(paths, data);
    }
    int copyFolderAsWritten(const std::string &dir, userDataIphone *data,
                            const std::function<bool(const TreeCopier::FolderFeed &feed)> &produce,
                            const std::atomic_bool *goOn = nullptr)
    {
        return m_treeCopier.copyFolderAsWritten(dir, data, produce, goOn);
    }
    TreeCopyReport lastTreeCopy() const { return m_treeCopier.lastTreeCopy(); }

private:
    loadIPhone();
    void handleEvent(am_device *dev, unsigned int msg);
    void arrive(am_device *dev);
    void surveyArrival();
    void removal(am_device *dev);
    bool holdForArrival(am_device *dev, unsigned int msg);
    void endArrivalHold();
    void handOver();
    void retireReaders();
    struct EndArrivalHold
    {
        loadIPhone *self;
        ~EndArrivalHold() { self->endArrivalHold(); }
    };

    userDataIphone m_user_data;
    LoadWindow *m_loadwindow = nullptr;
    SurveyScope m_surveyScope = SurveyScope::Everything;
    LoadWindow *m_modalWindow = nullptr;           // the window of the running modal session
    am_device_notification *m_subscription = nullptr;
    std::thread m_surveyThread;
    std::atomic_bool m_surveyGoOn{true};
    bool m_arrivalHeld = false; // this arrival holds the link (main thread)
    bool m_surveying = false;   // a survey runs behind the load window (main thread)
    std::shared_ptr<LinkHolds> m_holds;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // guards hand-overs queued to the main thread

    // Extra connections of the current device, shared by the survey and the tree copies.
    LaneConnections m_lanes;
    DeviceSurvey m_survey{&m_user_data, &m_lanes};
    TreeCopier m_treeCopier{&m_lanes};
};

// A batch's own hold on the device: the connection record as it stood when the batch took
// the link. While it lives no arrival is handled, so the record's handles (owned by the
// backend, for the arrival that made them) stay the device's; the removal of its device
// marks it gone at once (from the main thread), so the batch ends at the book it is working
// on. What the session adds it owns: its tree copies and the extra connections they open,
// closed when the session ends.
class DeviceSession
{
public:
    userDataIphone *data() { return &m_data; }
    bool gone() const { return m_gone.load(); }
    TreeCopier &treeCopier() { return m_treeCopier; }
    // Copiers for the books a batch copies ahead of the one it finishes (bookbatch.h), each on
    // connections of its own, so that several books' copies share the link.
    static constexpr size_t kAheadCopiers = 3;
    TreeCopier &aheadCopier(size_t slot) { return m_ahead[slot % kAheadCopiers].copier; }
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

private:
    friend class loadIPhone;
    DeviceSession() = default;
    userDataIphone m_data;
    std::atomic_bool m_gone{false};
    LaneConnections m_lanes;
    TreeCopier m_treeCopier{&m_lanes};
    struct AheadCopier
    {
        LaneConnections lanes;
        TreeCopier copier{&lanes, TreeCopier::Walk::OwnConnection};
    };
    AheadCopier m_ahead[kAheadCopiers];
};

// A reader's hold on the device that holds no arrival off: the record's file-service
// connection and device as they stood when it opened. The handles are handed out only inside
// a Read, and only while the session is current: an arrival marks every read session gone and
// then waits for the Read under way to end (at most loadIPhone::kReadWait); the removal of its
// device marks it gone. A reader checks gone() (or hands current() to a walk as its go-on flag)
// between requests, so an arrival waits for one request at most. Any thread; a Read belongs to
// the thread that took it.
class ReadSession final
{
public:
    class Read final
    {
    public:
        Read() = default;
        Read(Read &&other) noexcept : m_session(std::exchange(other.m_session, nullptr)) {}
        Read &operator=(Read &&) = delete;
        Read(const Read &) = delete;
        ~Read();
        explicit operator bool() const { return m_session != nullptr; }
        afc_connection *conn() const { return m_session ? m_session->m_conn : nullptr; }
        am_device *dev() const { return m_session ? m_session->m_dev : nullptr; }

    private:
        friend class ReadSession;
        explicit Read(ReadSession *session) : m_session(session) {}
        ReadSession *m_session = nullptr;
    };

    // An empty Read once the session is gone.
    Read read();
    bool gone() const { return !m_current.load(); }
    // True until the session is gone: a walk's go-on flag.
    const std::atomic_bool &current() const { return m_current; }
    ReadSession(const ReadSession &) = delete;
    ReadSession &operator=(const ReadSession &) = delete;

private:
    friend class loadIPhone;
    explicit ReadSession(std::shared_ptr<LinkHolds> holds) : m_holds(std::move(holds)) {}
    std::shared_ptr<LinkHolds> m_holds;
    afc_connection *m_conn = nullptr;
    am_device *m_dev = nullptr;
    std::atomic_bool m_current{true}; // cleared under the holds' mutex
};

extern loadIPhone *Loadiphone;
