// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include "core/log.h"
#include "core/mainqueue.h"
#include "device/storage/devicesleep.h"

#include <QCoreApplication>
#include <sstream>

namespace {
const char *const kObserved[] = {"DeviceMountNotification", "iphoneUnDeviceInfoNotification", "DeviceInfoNotification"};
}

void DeviceTest::SetUp()
{
    DeviceFaultInjector::instance().reset();
    auto folder = std::make_unique<FolderBackend>();
    backend = folder.get();
    setDeviceBackend(std::move(folder));
    setLogSink([this](const std::string &line) {
        std::lock_guard lock(m_mutex);
        m_log.push_back(line);
    });
    setDeviceLinkSleeper([this](unsigned int seconds) { sleeps.push_back(seconds); });
    for (const char *name : kObserved)
        NotificationCenter::defaultCenter().addObserver(this, name, [this](const Notification &n) {
            std::lock_guard lock(m_mutex);
            m_notifications.push_back(n.name);
            if (n.name == "DeviceInfoNotification")
                m_survey = std::any_cast<StringDictionary>(n.userInfo);
        });
}

void DeviceTest::TearDown()
{
    DeviceFaultInjector::instance().reset();
    delete link;
    link = nullptr;
    loadIPhone::discardUnsubscribed();
    NotificationCenter::defaultCenter().removeObserver(this);
    // Hand-overs still queued for the main thread belong to this test.
    QCoreApplication::processEvents();
    setDeviceBackend(nullptr);
    setDeviceLinkSleeper(nullptr);
    setLogSink(nullptr);
    DeviceFaultInjector::instance().reset();
}

userDataIphone *DeviceTest::openDevice()
{
    device.write();
    am_device *dev = backend->attach(device.dir());
    EXPECT_NE(dev, nullptr);
    EXPECT_EQ(AMDeviceConnect(dev), 0);
    EXPECT_EQ(AMDeviceStartSession(dev), 0);
    service_conn_t afc = 0;
    EXPECT_EQ(AMDeviceStartService(dev, "com.apple.afc", &afc, nullptr), 0);
    EXPECT_EQ(AFCConnectionOpen(afc, 0, &record.conn), 0);
    EXPECT_EQ(AMDeviceStartService(dev, "com.apple.mobile.notification_proxy", &record.notificationproxy, nullptr), 0);
    record.dev = dev;
    DeviceFaultInjector::instance().reset();
    return &record;
}

void DeviceTest::startLink()
{
    link = loadIPhone::initDevice(&window);
    ASSERT_NE(link, nullptr);
}

am_device *DeviceTest::plugIn(const std::string &dir, const std::function<void(am_device *)> &before)
{
    const size_t logged = logLines().size();
    am_device *dev = backend->attach(dir);
    EXPECT_NE(dev, nullptr);
    if (before)
        before(dev);
    // The whole arrival, survey included, runs inside the one queued callback.
    EXPECT_TRUE(processMainEventsUntil([&] {
        auto lines = logLines();
        for (size_t i = logged; i < lines.size(); ++i)
            if (lines[i] == "notification get devect")
                return true;
        return false;
    }));
    return dev;
}

std::optional<StringDictionary> DeviceTest::survey()
{
    device.write();
    startLink();
    if (!link)
        return std::nullopt;
    plugIn(device.dir());
    return lastSurvey();
}

void DeviceTest::unplug(am_device *dev)
{
    const size_t before = observed("iphoneUnDeviceInfoNotification").size();
    backend->detach(dev);
    EXPECT_TRUE(processMainEventsUntil([&] { return observed("iphoneUnDeviceInfoNotification").size() > before; }));
}

std::vector<std::string> DeviceTest::logLines() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

bool DeviceTest::logged(const std::string &text) const
{
    std::lock_guard lock(m_mutex);
    return std::find(m_log.begin(), m_log.end(), text) != m_log.end();
}

std::vector<std::string> DeviceTest::observed(const std::string &name) const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto &n : m_notifications)
        if (name.empty() || n == name)
            out.push_back(n);
    return out;
}

std::optional<StringDictionary> DeviceTest::lastSurvey() const
{
    std::lock_guard lock(m_mutex);
    return m_survey;
}

std::vector<std::string> stdoutLines(const std::function<void()> &call)
{
    ::testing::internal::CaptureStdout();
    call();
    std::istringstream in(::testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
