// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/backend/devicefaultinjector.h"

DeviceFaultInjector &DeviceFaultInjector::instance()
{
    static DeviceFaultInjector injector;
    return injector;
}

void DeviceFaultInjector::failAlways(const std::string &operation)
{
    std::lock_guard lock(m_mutex);
    m_always.insert(operation);
}

void DeviceFaultInjector::failOnCall(const std::string &operation, unsigned long n)
{
    std::lock_guard lock(m_mutex);
    m_onCall.insert({operation, n});
}

void DeviceFaultInjector::onCall(const std::string &operation, unsigned long n, std::function<void()> action)
{
    std::lock_guard lock(m_mutex);
    m_actions[{operation, n}] = std::move(action);
}

void DeviceFaultInjector::failFromCall(unsigned long n)
{
    std::lock_guard lock(m_mutex);
    m_fromCall = n;
}

void DeviceFaultInjector::reset()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_always.clear();
    m_onCall.clear();
    m_actions.clear();
    m_total = 0;
    m_fromCall = 0;
    m_failures = 0;
}

unsigned long DeviceFaultInjector::calls(const std::string &operation) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_calls.find(operation);
    return it == m_calls.end() ? 0 : it->second;
}

unsigned long DeviceFaultInjector::totalCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_total;
}

unsigned long DeviceFaultInjector::failures() const
{
    std::lock_guard lock(m_mutex);
    return m_failures;
}

bool DeviceFaultInjector::shouldFail(const char *operation)
{
    std::function<void()> action;
    bool fail = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_calls.find(std::string_view(operation));
        if (it == m_calls.end())
            it = m_calls.emplace(operation, 0).first;
        const unsigned long n = ++it->second;
        ++m_total;
        fail = (m_fromCall != 0 && m_total >= m_fromCall) || m_always.count(std::string_view(operation)) != 0 ||
               m_onCall.count({it->first, n}) != 0;
        if (fail)
            ++m_failures;
        if (const auto found = m_actions.find({it->first, n}); found != m_actions.end()) {
            action = std::move(found->second);
            m_actions.erase(found);
        }
    }
    // Outside the lock: the action may wait on other threads that call the layer.
    if (action)
        action();
    return fail;
}
