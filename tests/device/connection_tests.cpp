// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include "core/mainqueue.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using ConnectionTest = DeviceTest;

// Two devices ready to plug in: the fixture's, as "first-device", and "second-device".
class TwoDevicesTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        device.iPhone().udid("first-device");
        device.write();
        second.iPhone().udid("second-device").value("DeviceName", "Second");
        second.write();
    }

    FolderDeviceBuilder second;
};

// An arrival that goes well (connected, surveyed behind the load window, the record taken
// over) is read by the survey tests and by the arrivals during a survey below.

namespace {
// A folder device whose backend, like the USB one, has a sentence for its last failure.
class SayingBackend : public FolderBackend
{
public:
    std::string errorSentence(am_device *device) override
    {
        return device ? "The device is locked. Unlock it and try again." : std::string();
    }
};
} // namespace

// Each failed step ends the arrival with its line and is reported to the arrival-failure
// observers with the step and the backend's reason; a refused connection logs and reports
// nothing.
TEST_F(ConnectionTest, EachFailureOfTheArrivalEndsItWithItsLineAndIsReported)
{
    struct Case
    {
        const char *name;
        std::function<void(FolderBackend *, am_device *)> hook;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"connect", [](FolderBackend *, am_device *) { DeviceFaultInjector::instance().failAlways("AMDeviceConnect"); },
         {"notification get devect"}},
        {"unpaired", [](FolderBackend *b, am_device *dev) { b->setPaired(dev, false); },
         {"notification get devect", "AMDeviceIsPaired error!"}},
        {"validation", [](FolderBackend *b, am_device *dev) { b->setFailValidation(dev, true); },
         {"notification get devect", "AMDeviceValidatePairing error!"}},
        {"session", [](FolderBackend *b, am_device *dev) { b->setFailSession(dev, true); },
         {"notification get devect", "AMDeviceStartSession error!"}},
        {"file service",
         [](FolderBackend *b, am_device *dev) {
             b->setServiceFailure(dev, "com.apple.afc", FolderBackend::ServiceFailure::Always);
         },
         {"notification get devect", "AMDeviceStartService error!"}},
        {"connection", [](FolderBackend *, am_device *) { DeviceFaultInjector::instance().failAlways("AFCConnectionOpen"); },
         {"notification get devect", "AFCConnectionOpen error!"}},
        // Last: the device itself says it is not paired, in its device.plist.
        {"unpaired device", [this](FolderBackend *, am_device *) { device.paired(false).write(); },
         {"notification get devect", "AMDeviceIsPaired error!"}},
    };
    auto saying = std::make_unique<SayingBackend>();
    backend = saying.get();
    setDeviceBackend(std::move(saying));
    using Reports = std::vector<std::pair<std::string, std::string>>;
    Reports seen;
    int observerKey = 0;
    addArrivalFailureObserver(&observerKey, [&](const DeviceArrivalFailure &failure) {
        seen.emplace_back(failure.step, failure.reason);
    });
    const std::string reason = "The device is locked. Unlock it and try again.";
    device.iPhone();
    device.write();
    startLink();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeviceFaultInjector::instance().reset();
        const size_t logBefore = logLines().size();
        seen.clear();
        am_device *dev = plugIn(device.dir(), [&](am_device *d) { c.hook(backend, d); });
        const auto lines = logLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(logBefore), lines.end()), c.log);
        EXPECT_EQ(seen, (c.log.size() > 1 ? Reports{{c.log.back(), reason}} : Reports{}));
        EXPECT_EQ(link->user_data()->dev, dev);
        backend->detach(dev);
    }
    processMainEventsUntil([&] { return observed("iphoneUnDeviceInfoNotification").size() == cases.size(); });
    // No arrival got as far as the survey, and every removal was announced all the same.
    EXPECT_TRUE(observed("DeviceMountNotification").empty());
    EXPECT_TRUE(observed("DeviceInfoNotification").empty());
    EXPECT_EQ(observed("iphoneUnDeviceInfoNotification").size(), cases.size());
    EXPECT_EQ(window.timesRun(), 0);

    // A good arrival reports nothing; a removed observer hears nothing.
    seen.clear();
    device.paired(true).write();
    backend->detach(plugIn(device.dir()));
    EXPECT_EQ(observed("DeviceInfoNotification").size(), 1u);
    removeArrivalFailureObserver(&observerKey);
    plugIn(device.dir(), [&](am_device *d) { backend->setFailValidation(d, true); });
    EXPECT_TRUE(seen.empty());
}

TEST_F(ConnectionTest, AProxyThatStartsOnlyAtTheSecondTryLeavesTheDeviceUnsurveyed)
{
    device.iPhone();
    device.write();
    startLink();
    plugIn(device.dir(), [&](am_device *dev) {
        backend->setServiceFailure(dev, "com.apple.mobile.notification_proxy", FolderBackend::ServiceFailure::Once);
    });
    EXPECT_EQ(sleeps, (std::vector<unsigned int>{2}));
    EXPECT_NE(link->user_data()->conn, nullptr);
    EXPECT_NE(link->user_data()->notificationproxy, 0);
    EXPECT_TRUE(observed("").empty());
    EXPECT_EQ(window.timesRun(), 0);
}

TEST_F(ConnectionTest, AFailedSubscriptionKeepsTheObserverAlive)
{
    DeviceFaultInjector::instance().failAlways("AMDeviceNotificationSubscribe");
    EXPECT_EQ(loadIPhone::initDevice(&window), nullptr);
    EXPECT_EQ(Loadiphone, nullptr);
    // The instance that failed still answers the mount notification: it runs a survey.
    NotificationCenter::defaultCenter().postNotificationName("DeviceMountNotification");
    EXPECT_EQ(window.timesRun(), 1);
    ASSERT_TRUE(lastSurvey());
    EXPECT_EQ(lastSurvey()->at("ProductVersion"), "UnKnow Product Version");
}

// Deleting the link ends its subscription, even when the layer fails to end it: no arrival
// reaches the deleted link.
TEST_F(ConnectionTest, DeletingTheLinkEndsItsSubscriptionEvenWhenTheLayerFails)
{
    device.iPhone();
    device.write();
    for (bool layerFails : {false, true}) {
        SCOPED_TRACE(layerFails);
        startLink();
        if (layerFails)
            DeviceFaultInjector::instance().failAlways("AMDeviceNotificationUnsubscribe");
        delete link;
        link = nullptr;
        EXPECT_EQ(Loadiphone, nullptr);
        am_device *plugged = backend->attach(device.dir());
        QCoreApplication::processEvents();
        EXPECT_FALSE(logged("notification get devect"));
        DeviceFaultInjector::instance().reset();
        backend->detach(plugged);
    }
}

TEST(HeadlessLoadWindowTest, AnAbortBeforeTheRunIsNotLost)
{
    HeadlessLoadWindow window;
    window.abortModal();
    window.runModal(); // returns at once
    performOnMainThread([&] { window.abortModal(); });
    window.runModal(); // ended by the queued abort
    EXPECT_EQ(window.timesRun(), 2);
}

// A second device arrives and the first is plugged in again while the first survey runs:
// nothing nests. Each arrival waits for the survey before it, gets one of its own and takes
// the record over.
TEST_F(TwoDevicesTest, ArrivalsDuringASurveyWaitAndGetSurveysOfTheirOwn)
{
    startLink();

    std::mutex mutex;
    std::condition_variable replugged;
    bool done = false;
    std::vector<std::string> guids;
    am_device *first = nullptr, *again = nullptr;
    // The first survey is held at its hand-over until the main thread has taken the events.
    NotificationCenter::defaultCenter().addObserver(&guids, "DeviceInfoNotification", [&](const Notification &n) {
        std::unique_lock lock(mutex);
        guids.push_back(std::any_cast<StringDictionary>(n.userInfo).at("guid"));
        if (guids.size() != 1)
            return;
        performOnMainThread([&] {
            backend->attach(second.dir());
            backend->detach(first);
            again = backend->attach(device.dir());
            performOnMainThread([&] {
                std::lock_guard inner(mutex);
                done = true;
                replugged.notify_all();
            });
        });
        replugged.wait(lock, [&] { return done; });
    });
    first = backend->attach(device.dir());
    ASSERT_TRUE(processMainEventsUntil([&] { return observed("DeviceInfoNotification").size() == 3; }));
    NotificationCenter::defaultCenter().removeObserver(&guids);

    EXPECT_EQ(guids, (std::vector<std::string>{"first-device", "second-device", "first-device"}));
    std::vector<std::string> surveys = observed("");
    surveys.erase(std::remove(surveys.begin(), surveys.end(), "iphoneUnDeviceInfoNotification"), surveys.end());
    EXPECT_EQ(surveys, (std::vector<std::string>{"DeviceMountNotification", "DeviceInfoNotification",
                                                 "DeviceMountNotification", "DeviceInfoNotification",
                                                 "DeviceMountNotification", "DeviceInfoNotification"}));
    EXPECT_EQ(observed("iphoneUnDeviceInfoNotification").size(), 1u);
    EXPECT_EQ(window.timesRun(), 3);
    EXPECT_EQ(link->user_data()->dev, again);
}

// A session (a batch's hold) keeps its copy of the record; an arrival waits for its end,
// and the removal of its device marks it gone at once.
TEST_F(TwoDevicesTest, ASessionHoldsArrivalsBackAndHearsItsDeviceGo)
{
    startLink();
    am_device *first = plugIn(device.dir());
    const userDataIphone before = *link->user_data();

    std::shared_ptr<DeviceSession> session = link->openSession();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->data()->conn, before.conn);
    EXPECT_EQ(session->data()->dev, first);
    am_device *b = backend->attach(second.dir());
    unplug(first); // the removal is announced while the arrival before it waits
    EXPECT_TRUE(session->gone());
    EXPECT_EQ(window.timesRun(), 1) << "no survey while the session is open";
    EXPECT_EQ(link->user_data()->dev, first);
    EXPECT_EQ(link->user_data()->conn, before.conn);

    // Another session on the same link shares the hold; arrivals wait for the last one.
    std::shared_ptr<DeviceSession> other = link->openSession();
    EXPECT_FALSE(other->gone()) << "opened after the removal";
    session.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.timesRun(), 1);
    other.reset();
    ASSERT_TRUE(processMainEventsUntil([&] { return window.timesRun() == 2; }));
    EXPECT_EQ(link->user_data()->dev, b);
    ASSERT_TRUE(lastSurvey());
    EXPECT_EQ(lastSurvey()->at("guid"), "second-device");

    // Off the main thread, a session waits for a running survey; on it, it cannot.
    std::atomic_bool surveyed{false}, surveyedFirst{false};
    std::shared_ptr<DeviceSession> fromWorker;
    std::thread worker;
    NotificationCenter::defaultCenter().addObserver(&worker, "DeviceMountNotification", [&](const Notification &) {
        EXPECT_EQ(link->openSession(), nullptr);
        worker = std::thread([&] {
            fromWorker = link->openSession();
            surveyedFirst = surveyed.load();
        });
    });
    NotificationCenter::defaultCenter().addObserver(&surveyed, "DeviceInfoNotification",
                                                    [&](const Notification &) { surveyed = true; });
    unplug(b);
    plugIn(device.dir());
    NotificationCenter::defaultCenter().removeObserver(&worker);
    NotificationCenter::defaultCenter().removeObserver(&surveyed);
    ASSERT_TRUE(worker.joinable());
    worker.join();
    ASSERT_TRUE(fromWorker);
    EXPECT_TRUE(surveyedFirst.load()) << "the session was opened before the survey ended";
    EXPECT_EQ(fromWorker->data()->conn, link->user_data()->conn);
    fromWorker.reset();
}

// A read session (the cover loader's) holds no arrival off: an arrival marks it gone and
// waits for the read under way, no longer; a gone session hands out no handle, and none is
// opened on the record of a device that went.
TEST_F(TwoDevicesTest, AReadSessionHoldsAnArrivalForItsReadOnly)
{
    startLink();
    am_device *first = plugIn(device.dir());
    const userDataIphone before = *link->user_data();
    std::shared_ptr<ReadSession> reader = link->openReadSession();
    std::shared_ptr<ReadSession> idle = link->openReadSession();
    ASSERT_TRUE(reader && idle);

    auto arrivals = [this] {
        const std::vector<std::string> lines = logLines();
        return std::count(lines.begin(), lines.end(), "notification get devect");
    };
    const auto arrivedBefore = arrivals();
    std::atomic_bool reading{false}, sawGone{false}, arrivalWentOn{false};
    std::thread worker([&] {
        ReadSession::Read read = reader->read();
        EXPECT_EQ(read.conn(), before.conn);
        EXPECT_EQ(read.dev(), first);
        reading = true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!reader->gone() && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        sawGone = reader->gone();
        // The arrival has begun; while this read lasts it does not go on.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        while (!arrivalWentOn && std::chrono::steady_clock::now() < deadline)
            arrivalWentOn = arrivals() > arrivedBefore;
    });
    while (!reading)
        std::this_thread::yield();
    am_device *next = backend->attach(second.dir());
    ASSERT_TRUE(processMainEventsUntil([&] { return window.timesRun() == 2; }));
    worker.join();
    EXPECT_TRUE(sawGone.load());
    EXPECT_FALSE(arrivalWentOn.load()) << "the arrival went on while a read was under way";
    EXPECT_TRUE(idle->gone());
    EXPECT_FALSE(reader->read()) << "a gone session hands out no handle";

    std::shared_ptr<ReadSession> fresh = link->openReadSession();
    ASSERT_TRUE(fresh);
    {
        const ReadSession::Read read = fresh->read();
        EXPECT_EQ(read.dev(), next);
        EXPECT_EQ(read.conn(), link->user_data()->conn);
    }
    unplug(next);
    EXPECT_TRUE(fresh->gone());
    EXPECT_FALSE(fresh->read());
    EXPECT_EQ(link->openReadSession(), nullptr) << "the record names a device that went";
}
