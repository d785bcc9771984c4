// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "linksurvey.h"

#include "benchutil.h"
#include "core/mainqueue.h"
#include "device/storage/devicesurvey.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"

#include <any>
#include <atomic>
#include <cstdlib>
#include <mutex>

LinkSurvey surveyThroughLink(const EmulatorProcess &emulator, CountingLoadWindow &window, std::chrono::seconds limit)
{
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    std::string error;
    setDeviceBackend(makeDeviceBackend("usb", &error));

    LinkSurvey run;
    std::mutex mutex;
    double t0 = 0, t1 = 0;
    uint64_t r0 = 0, r1 = 0;
    std::atomic_bool done{false};
    const int tag = 0;
    NotificationCenter::defaultCenter().addObserver(&tag, DeviceMountNotification, [&](const Notification &) {
        r0 = requestCount(emulator, "afc.");
        t0 = nowSeconds();
    });
    NotificationCenter::defaultCenter().addObserver(&tag, DeviceInfoNotification, [&](const Notification &n) {
        const double t = nowSeconds();
        std::lock_guard lock(mutex);
        t1 = t;
        r1 = requestCount(emulator, "afc.");
        if (auto *dict = std::any_cast<StringDictionary>(&n.userInfo))
            run.survey = *dict;
        done = true;
    });
    run.link.reset(loadIPhone::initDevice(&window));
    run.finished = run.link && processMainEventsUntil([&] { return done.load(); }, limit);
    NotificationCenter::defaultCenter().removeObserver(&tag);
    if (run.finished) {
        // The load window hears the survey's last reports through the main queue.
        processMainEventsUntil([&] { return window.timesRun() > 0 && window.reports() > 0; },
                               std::chrono::seconds(5));
        std::lock_guard lock(mutex);
        run.seconds = t1 - t0;
        run.requests = r1 - r0;
    }
    return run;
}

void endLinkSurvey(LinkSurvey &run)
{
    run.link.reset();
    setDeviceBackend(nullptr);
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
}
