// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Brings up a device through the device link exactly as the application does (arrival,
// connection, survey behind a load window) and prints the survey, one "key: value" line
// per entry. Exit status: 0 when a device was surveyed, 2 otherwise.
#include "core/log.h"
#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "device/storage/loadiphone.h"
#include "device/deviceselection.h"

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {
int usage()
{
    std::fprintf(stderr, "usage: bookferry-demo [--device demo|folder:DIR|usb[:UDID]] [--timeout SECONDS]\n");
    return 2;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "bookferry-demo: %s\n", message.c_str());
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::string selection = "demo";
    int timeoutSeconds = 30;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc)
            selection = argv[++i];
        else if (std::strncmp(argv[i], "--device=", 9) == 0)
            selection = argv[i] + 9;
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeoutSeconds = std::atoi(argv[++i]);
        else
            return usage();
    }
    if (timeoutSeconds <= 0)
        return usage();

    std::string error;
    auto backend = makeDeviceBackend(selection, &error);
    if (!backend)
        return fail(error);
    setDeviceBackend(std::move(backend));

    // The arrival's failures reach only the log: watch it to stop early with their text.
    std::mutex mutex;
    std::string failure;
    setLogSink([&](const std::string &line) {
        std::fprintf(stderr, "bookferry: %s\n", line.c_str());
        std::lock_guard lock(mutex);
        if (line.size() > 6 && line.compare(line.size() - 6, 6, "error!") == 0)
            failure = line;
    });
    std::mutex surveyMutex;
    std::unique_ptr<StringDictionary> survey;
    NotificationCenter::defaultCenter().addObserver(&survey, DeviceInfoNotification, [&](const Notification &n) {
        std::lock_guard lock(surveyMutex);
        if (const auto *dict = std::any_cast<StringDictionary>(&n.userInfo))
            survey = std::make_unique<StringDictionary>(*dict);
    });

    HeadlessLoadWindow window;
    std::unique_ptr<loadIPhone> link(loadIPhone::initDevice(&window));
    if (!link)
        return fail("cannot watch for devices");

    auto done = [&] {
        std::lock_guard a(surveyMutex);
        std::lock_guard b(mutex);
        // The survey counts once its load window has been ended.
        return (survey && window.timesRun() > 0) || !failure.empty();
    };
    processMainEventsUntil(done, std::chrono::seconds(timeoutSeconds));
    NotificationCenter::defaultCenter().removeObserver(&survey);
    {
        std::lock_guard lock(mutex);
        if (!failure.empty())
            return fail("the device could not be connected (" + failure + ")");
    }
    std::lock_guard lock(surveyMutex);
    if (!survey)
        return fail("no device was surveyed within " + std::to_string(timeoutSeconds) + " seconds");
    for (const auto &[key, value] : *survey)
        std::printf("%s: %s\n", key.c_str(), value.c_str());
    std::fflush(stdout);
    link.reset();
    setLogSink(nullptr);
    setDeviceBackend(nullptr);
    return 0;
}
