// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

// Makes operations of the mobile device layer fail on purpose, whatever the backend, so
// tests can walk every failure path. Every layer call is counted under its operation name
// ("AFCFileRefWrite", "AMDeviceConnect", ...); counters start at zero after reset().
// A failing call answers as the operation answers a failure (MDERR_FAILED, null, 0).
// Thread-safe: the survey and transfers call the layer from worker threads.
class DeviceFaultInjector final
{
public:
    DeviceFaultInjector(const DeviceFaultInjector &) = delete;
    DeviceFaultInjector &operator=(const DeviceFaultInjector &) = delete;
    static DeviceFaultInjector &instance();

    // Every call of `operation` fails.
    void failAlways(const std::string &operation);
    // The nth call (1-based, counted from the last reset) of `operation` fails.
    void failOnCall(const std::string &operation, unsigned long n);
    // Every call from the nth call of any operation on fails (0 turns this off).
    void failFromCall(unsigned long n);

    // `action` runs on the caller's thread as the nth call of `operation` is made, before the
    // call is carried out (or made to fail): a test acts at an exact point of a transfer.
    void onCall(const std::string &operation, unsigned long n, std::function<void()> action);

    // Forgets every rule, action and counter.
    void reset();

    unsigned long calls(const std::string &operation) const;
    unsigned long totalCalls() const;
    // How many calls were made to fail.
    unsigned long failures() const;

    // Counts one call of `operation`; true when that call must fail.
    bool shouldFail(const char *operation);

private:
    DeviceFaultInjector() = default;
    mutable std::mutex m_mutex;
    std::map<std::string, unsigned long, std::less<>> m_calls;
    std::set<std::string, std::less<>> m_always;
    std::set<std::pair<std::string, unsigned long>> m_onCall;
    std::map<std::pair<std::string, unsigned long>, std::function<void()>> m_actions;
    unsigned long m_total = 0;
    unsigned long m_fromCall = 0;
    unsigned long m_failures = 0;
};
