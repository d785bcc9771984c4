// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/notificationcenter.h"

#include <algorithm>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void *observer, const std::string &name, Callback callback,
                                     const void *sender)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back({m_nextId++, observer, name, sender, std::make_shared<Callback>(std::move(callback))});
}

void NotificationCenter::removeObserver(const void *observer)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [&](const Entry &e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(const void *observer, const std::string &name)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [&](const Entry &e) { return e.observer == observer && e.name == name; });
}

bool NotificationCenter::hasObserver(const void *observer, const std::string &name) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const Entry &e) { return e.observer == observer && e.name == name; });
}

void NotificationCenter::postNotification(const Notification &notification)
{
    // Snapshot the matching observers, then call them without holding the lock: an
    // observer may run a nested event loop or post from another thread meanwhile.
    std::vector<std::pair<unsigned long long, std::shared_ptr<Callback>>> targets;
    {
        std::lock_guard lock(m_mutex);
        for (const Entry &e : m_entries) {
            if ((e.name.empty() || e.name == notification.name) &&
                (e.sender == nullptr || e.sender == notification.object))
                targets.emplace_back(e.id, e.callback);
        }
    }
    for (auto &target : targets) {
        const unsigned long long id = target.first;
        bool stillRegistered;
        {
            std::lock_guard lock(m_mutex);
            stillRegistered = std::any_of(m_entries.begin(), m_entries.end(),
                                          [id](const Entry &e) { return e.id == id; });
        }
        if (stillRegistered)
            (*target.second)(notification);
    }
}

void NotificationCenter::postNotificationName(const std::string &name, const void *object, std::any userInfo)
{
    postNotification(Notification{name, object, std::move(userInfo)});
}
