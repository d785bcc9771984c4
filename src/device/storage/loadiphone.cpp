// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/loadiphone.h"

#include "core/log.h"
#include "core/mainqueue.h"
#include "device/storage/devicesleep.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

const char *const DeviceMountNotification = "DeviceMountNotification";
const char *const iphoneUnDeviceInfoNotification = "iphoneUnDeviceInfoNotification";

loadIPhone *Loadiphone = nullptr;

// What holds the link, shared with the sessions (which may end on any thread, also after
// the link has gone).
struct LinkHolds
{
    struct Pending
    {
        am_device *dev; // null: a survey asked for without an arrival (a mount notification)
        unsigned int msg;
    };

    std::mutex mutex;
    std::condition_variable released;
    bool arriving = false;    // an arrival (and its survey) holds the link
    std::size_t sessions = 0; // open sessions
    // Open sessions; one is taken out (under the mutex) before it is deleted.
    std::vector<DeviceSession *> open;
    std::deque<Pending> pending;
    bool handOverQueued = false;
    // Open read sessions, the reads under way on them, and whether the record's handles are
    // those of a device that went (or is being replaced), so that none is handed out.
    std::vector<ReadSession *> readers;
    std::size_t reads = 0;
    std::condition_variable readEnded;
    bool recordGone = true;
    loadIPhone *link = nullptr; // null once the link has gone

    bool held() const { return arriving || sessions > 0; }
    // With the mutex held: whether the caller must queue a hand-over to the main thread.
    bool takeHandOver()
    {
        if (held() || pending.empty() || handOverQueued || !link)
            return false;
        handOverQueued = true;
        return true;
    }
};

namespace {

// Ordinary messages of the subscription, and the queue's own for a survey asked for directly.
constexpr unsigned int kSurveyOnly = 0;

std::vector<loadIPhone *> &liveLinks() // main thread; never destroyed, links may outlive statics
{
    static auto *links = new std::vector<loadIPhone *>;
    return *links;
}
const char *const kProxyServiceName = "com.apple.mobile.notification_proxy";

// Instances whose subscription failed stay registered for DeviceMountNotification, so they
// must outlive every post that could reach them.
std::vector<std::unique_ptr<loadIPhone>> &unsubscribedInstances()
{
    NotificationCenter::defaultCenter(); // constructed first, so it is destroyed after these
    static std::vector<std::unique_ptr<loadIPhone>> instances;
    return instances;
}

std::mutex g_arrivalObserversMutex;
std::vector<std::pair<const void *, std::shared_ptr<ArrivalFailureObserver>>> &arrivalObservers()
{
    static std::vector<std::pair<const void *, std::shared_ptr<ArrivalFailureObserver>>> observers;
    return observers;
}

// A step of the arrival that failed: its fixed log line, then the event the window and the
// command-line tool tell the user from, with the backend's reason when it has one.
void arrivalFailed(am_device *dev, const char *step)
{
    logMessage(step);
    const DeviceArrivalFailure failure{step, deviceErrorSentence(dev)};
    std::vector<std::shared_ptr<ArrivalFailureObserver>> observers;
    {
        std::lock_guard lock(g_arrivalObserversMutex);
        for (const auto &entry : arrivalObservers())
            observers.push_back(entry.second);
    }
    // Called outside the lock: an observer may add or remove observers.
    for (const auto &observer : observers)
        (*observer)(failure);
}
} // namespace

void addArrivalFailureObserver(const void *observer, ArrivalFailureObserver callback)
{
    if (!callback)
        return;
    std::lock_guard lock(g_arrivalObserversMutex);
    arrivalObservers().emplace_back(observer, std::make_shared<ArrivalFailureObserver>(std::move(callback)));
}

void removeArrivalFailureObserver(const void *observer)
{
    std::lock_guard lock(g_arrivalObserversMutex);
    auto &list = arrivalObservers();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const auto &entry) { return entry.first == observer; }),
               list.end());
}

loadIPhone::loadIPhone() : m_holds(std::make_shared<LinkHolds>())
{
    m_holds->link = this;
    liveLinks().push_back(this);
}

loadIPhone *loadIPhone::initDevice(LoadWindow *window, SurveyScope scope)
{
    std::unique_ptr<loadIPhone> instance(new loadIPhone());
    instance->m_loadwindow = window;
    instance->m_surveyScope = scope;
    loadIPhone *self = instance.get();
    NotificationCenter::defaultCenter().addObserver(
        self, DeviceMountNotification, [self](const Notification &n) { self->mainloadIPhoneInfo(n); });
    am_device_notification *subscription = nullptr;
    if (AMDeviceNotificationSubscribe(&loadIPhone::notification, 0, 0, self->user_data(), &subscription) != 0) {
        unsubscribedInstances().push_back(std::move(instance));
        return nullptr;
    }
    self->m_subscription = subscription;
    Loadiphone = self;
    return instance.release();
}

void loadIPhone::discardUnsubscribed()
{
    unsubscribedInstances().clear();
}

loadIPhone::~loadIPhone()
{
    *m_alive = false;
    {
        std::lock_guard lock(m_holds->mutex);
        m_holds->link = nullptr;
        m_holds->pending.clear();
    }
    auto &links = liveLinks();
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    if (m_subscription)
        AMDeviceNotificationUnsubscribe(m_subscription);
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_surveyThread.joinable())
        m_surveyThread.join();
    if (Loadiphone == this)
        Loadiphone = nullptr;
}

void loadIPhone::notification(am_device_notification_callback_info *info, void *context)
{
    auto *data = static_cast<userDataIphone *>(context);
    if (!info || !data)
        return;
    for (loadIPhone *link : liveLinks()) {
        if (link->user_data() == data) {
            link->handleEvent(info->dev, info->msg);
            return;
        }
    }
}

void loadIPhone::handleEvent(am_device *dev, unsigned int msg)
{
    if (msg == ADNCI_MSG_DISCONNECTED) {
        removal(dev);
        return;
    }
    if (msg != ADNCI_MSG_CONNECTED)
        return;
    if (!holdForArrival(dev, msg))
        return; // handled when the hold ends
    EndArrivalHold endHold{this};
    arrive(dev);
}

// Announced at once, so that a batch on the device stops and the lists let it go; a record
// that is lent or being read stays as it is, and an arrival of the same device still waiting
// is dropped.
void loadIPhone::removal(am_device *dev)
{
    {
        std::lock_guard lock(m_holds->mutex);
        if (m_holds->held()) {
            for (DeviceSession *session : m_holds->open) {
                if (session->m_data.dev == dev)
                    session->m_gone = true;
            }
            auto &pending = m_holds->pending;
            pending.erase(std::remove_if(pending.begin(), pending.end(),
                                         [dev](const LinkHolds::Pending &p) { return p.dev == dev; }),
                          pending.end());
        } else {
            m_user_data.dev = dev;
        }
        if (m_user_data.dev == dev)
            m_holds->recordGone = true;
        for (ReadSession *reader : m_holds->readers) {
            if (reader->m_dev == dev)
                reader->m_current = false;
        }
    }
    NotificationCenter::defaultCenter().postNotificationName(iphoneUnDeviceInfoNotification);
}

// Main thread. False when the link is held (or others wait before this one): the event is
// queued and comes back through handOver.
bool loadIPhone::holdForArrival(am_device *dev, unsigned int msg)
{
    std::lock_guard lock(m_holds->mutex);
    if (m_holds->held() || !m_holds->pending.empty()) {
        m_holds->pending.push_back({dev, msg});
        if (m_holds->takeHandOver())
            performOnMainThread([holds = m_holds] {
                if (holds->link)
                    holds->link->handOver();
            });
        return false;
    }
    m_holds->arriving = true;
    m_arrivalHeld = true;
    return true;
}

void loadIPhone::endArrivalHold()
{
    bool handOverNow = false;
    {
        std::lock_guard lock(m_holds->mutex);
        m_holds->arriving = false;
        m_arrivalHeld = false;
        handOverNow = m_holds->takeHandOver();
    }
    m_holds->released.notify_all();
    if (handOverNow)
        performOnMainThread([holds = m_holds] {
            if (holds->link)
                holds->link->handOver();
        });
}

// Main thread: the next waiting event, once nothing holds the link.
void loadIPhone::handOver()
{
    LinkHolds::Pending next{};
    {
        std::lock_guard lock(m_holds->mutex);
        m_holds->handOverQueued = false;
        if (m_holds->held() || m_holds->pending.empty())
            return;
        next = m_holds->pending.front();
        m_holds->pending.pop_front();
        // Taken here, under the same lock: the others wait behind this one.
        m_holds->arriving = true;
        m_arrivalHeld = true;
    }
    EndArrivalHold endHold{this};
    if (next.msg == kSurveyOnly)
        surveyArrival();
    else
        arrive(next.dev);
}

// Main thread, as an arrival starts: no read session may read on while the record is rewritten.
void loadIPhone::retireReaders()
{
    std::unique_lock lock(m_holds->mutex);
    m_holds->recordGone = true;
    for (ReadSession *reader : m_holds->readers)
        reader->m_current = false;
    m_holds->readEnded.wait_for(lock, kReadWait, [this] { return m_holds->reads == 0; });
}

void loadIPhone::arrive(am_device *dev)
{
    retireReaders();
    userDataIphone *data = &m_user_data;
    data->dev = dev;
    logMessage("notification get devect");
    if (AMDeviceConnect(dev) != 0)
        return;
    if (AMDeviceIsPaired(dev) == 0) {
        arrivalFailed(dev, "AMDeviceIsPaired error!");
        return;
    }
    if (AMDeviceValidatePairing(dev) != 0) {
        arrivalFailed(dev, "AMDeviceValidatePairing error!");
        return;
    }
    if (AMDeviceStartSession(dev) != 0) {
        arrivalFailed(dev, "AMDeviceStartSession error!");
        return;
    }
    service_conn_t afcService = 0;
    if (AMDeviceStartService(dev, kAfcServiceName, &afcService, nullptr) != 0) {
        arrivalFailed(dev, "AMDeviceStartService error!");
        return;
    }
    if (AFCConnectionOpen(afcService, 0, &data->conn) != 0) {
        arrivalFailed(dev, "AFCConnectionOpen error!");
        return;
    }
    {
        std::lock_guard lock(m_holds->mutex);
        m_holds->recordGone = false;
    }
    if (AMDeviceStartService(dev, kProxyServiceName, &data->notificationproxy, nullptr) == 0) {
        // The survey's starter runs here, inside this post, and returns after its modal run.
        NotificationCenter::defaultCenter().postNotificationName(DeviceMountNotification);
        return;
    }
    // One more try after a pause; the device is then left connected but not surveyed.
    deviceLinkSleep(2);
    AMDeviceStartService(dev, kProxyServiceName, &data->notificationproxy, nullptr);
}

std::shared_ptr<DeviceSession> loadIPhone::openSession()
{
    std::unique_lock lock(m_holds->mutex);
    if (m_holds->arriving) {
        // The survey needs the main thread to end; waiting for it there would never return.
        if (isMainThread())
            return nullptr;
        m_holds->released.wait(lock, [this] { return !m_holds->arriving; });
    }
    ++m_holds->sessions;
    // The last owner may drop the session on any thread; a waiting arrival is then handed
    // to the main thread.
    std::shared_ptr<DeviceSession> session(new DeviceSession, [holds = m_holds](DeviceSession *ended) {
        bool handOverNow = false;
        {
            std::lock_guard endLock(holds->mutex);
            --holds->sessions;
            auto &open = holds->open;
            open.erase(std::remove(open.begin(), open.end(), ended), open.end());
            handOverNow = holds->takeHandOver();
        }
        delete ended;
        if (handOverNow)
            performOnMainThread([holds] {
                if (holds->link)
                    holds->link->handOver();
            });
    });
    session->m_data = m_user_data;
    m_holds->open.push_back(session.get());
    return session;
}

std::shared_ptr<ReadSession> loadIPhone::openReadSession()
{
    std::unique_lock lock(m_holds->mutex);
    if (m_holds->arriving && !isMainThread())
        m_holds->released.wait(lock, [this] { return !m_holds->arriving; });
    if (m_holds->recordGone || !m_user_data.conn)
        return nullptr;
    std::shared_ptr<ReadSession> session(new ReadSession(m_holds), [](ReadSession *ended) {
        {
            std::lock_guard endLock(ended->m_holds->mutex);
            auto &readers = ended->m_holds->readers;
            readers.erase(std::remove(readers.begin(), readers.end(), ended), readers.end());
        }
        delete ended;
    });
    session->m_conn = m_user_data.conn;
    session->m_dev = m_user_data.dev;
    m_holds->readers.push_back(session.get());
    return session;
}

ReadSession::Read ReadSession::read()
{
    std::lock_guard lock(m_holds->mutex);
    if (!m_current)
        return {};
    ++m_holds->reads;
    return Read(this);
}

ReadSession::Read::~Read()
{
    if (!m_session)
        return;
    LinkHolds &holds = *m_session->m_holds;
    {
        std::lock_guard lock(holds.mutex);
        --holds.reads;
    }
    holds.readEnded.notify_all();
}

void loadIPhone::mainloadIPhoneInfo(const Notification &)
{
    // Surveys never nest: one asked for while another runs (or while a batch holds the
    // device) waits its turn in the queue.
    if (m_surveying) {
        std::lock_guard lock(m_holds->mutex);
        m_holds->pending.push_back({nullptr, kSurveyOnly});
        return;
    }
    if (m_arrivalHeld) {
        surveyArrival();
        return;
    }
    if (!holdForArrival(nullptr, kSurveyOnly))
        return;
    EndArrivalHold endHold{this};
    surveyArrival();
}

void loadIPhone::surveyArrival()
{
    HeadlessLoadWindow fallback;
    LoadWindow *window = m_loadwindow ? m_loadwindow : &fallback;
    LoadWindow *outer = m_modalWindow;
    m_modalWindow = window;
    m_surveying = true;
    m_surveyGoOn = true;
    MainLatch surveyEnd;
    m_surveyThread = std::thread([this, surveyEnd]() mutable {
        loadIPhoneInfo(Notification{DeviceMountNotification, nullptr, {}});
        surveyEnd.set();
    });
    window->runModal();
    window->orderOut();
    m_modalWindow = outer;
    // Normally the survey's hand-over ended the run and the worker is ending too. A window
    // closed early must not block the main thread the survey's observers may still need.
    surveyEnd.wait(std::chrono::hours(24));
    m_surveyThread.join();
    m_surveying = false;
}

void loadIPhone::loadIPhoneInfo(const Notification &)
{
    std::weak_ptr<bool> alive = m_alive;
    LoadWindow *window = m_loadwindow;
    m_survey.run(
        [alive, window](int walked) {
            if (window)
                performOnMainThread([alive, window, walked] {
                    if (auto a = alive.lock(); a && *a)
                        window->surveyProgress(walked);
                });
        },
        m_surveyScope, &m_surveyGoOn);
    performOnMainThread([this, alive] {
        if (auto a = alive.lock(); a && *a)
            closeloadSyncWindow(nullptr);
    });
}

void loadIPhone::closeloadSyncWindow(void *)
{
    if (m_modalWindow)
        m_modalWindow->abortModal();
}
