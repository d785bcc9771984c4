// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "loadiphone.h"

#include "devicesleep.h"
#include "log.h"
#include "mainqueue.h"

#include <algorithm>
#include <mutex>

const char *const DeviceMountNotification = "DeviceMountNotification";
const char *const iphoneUnDeviceInfoNotification = "iphoneUnDeviceInfoNotification";

loadIPhone *Loadiphone = nullptr;

namespace {
const char *const kAfcServiceName = "com.apple.afc";
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

loadIPhone *loadIPhone::initDevice(LoadWindow *window)
{
    std::unique_ptr<loadIPhone> instance(new loadIPhone());
    instance->m_loadwindow = window;
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
    data->dev = info->dev;
    if (info->msg == ADNCI_MSG_DISCONNECTED) {
        NotificationCenter::defaultCenter().postNotificationName(iphoneUnDeviceInfoNotification);
        return;
    }
    if (info->msg != ADNCI_MSG_CONNECTED)
        return;

    logMessage("notification get devect");
    am_device *dev = data->dev;
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
    if (AMDeviceStartService(dev, kProxyServiceName, &data->notificationproxy, nullptr) == 0) {
        // The survey's starter runs here, inside this post, and returns after its modal run.
        NotificationCenter::defaultCenter().postNotificationName(DeviceMountNotification);
        return;
    }
    // One more try after a pause; the device is then left connected but not surveyed.
    deviceLinkSleep(2);
    AMDeviceStartService(dev, kProxyServiceName, &data->notificationproxy, nullptr);
}

void loadIPhone::mainloadIPhoneInfo(const Notification &notification)
{
    // A device arriving while another is surveyed waits for that survey to end first.
    if (m_surveyThread.joinable()) {
        processMainEventsUntil([this] { return m_surveyFinished.load(); }, std::chrono::hours(24));
        m_surveyThread.join();
    }
    HeadlessLoadWindow fallback;
    LoadWindow *window = m_loadwindow ? m_loadwindow : &fallback;
    LoadWindow *outer = m_modalWindow;
    m_modalWindow = window;
    m_surveyFinished = false;
    m_surveyThread = std::thread([this, notification] {
        loadIPhoneInfo(notification);
        m_surveyFinished = true;
    });
    window->runModal();
    window->orderOut();
    m_modalWindow = outer;
    // Normally the survey's hand-over ended the run and the worker is ending too. A window
    // closed early must not block the main thread the survey's observers may still need.
    processMainEventsUntil([this] { return m_surveyFinished.load(); }, std::chrono::hours(24));
    m_surveyThread.join();
}

void loadIPhone::loadIPhoneInfo(const Notification &)
{
    std::weak_ptr<bool> alive = m_alive;
    LoadWindow *window = m_loadwindow;
    m_survey.run([alive, window](int walked) {
        if (window)
            performOnMainThread([alive, window, walked] {
                if (auto a = alive.lock(); a && *a)
                    window->surveyProgress(walked);
            });
    });
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
