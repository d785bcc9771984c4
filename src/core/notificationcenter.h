// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A dictionary whose values are all text, such as the survey dictionary.
using StringDictionary = std::map<std::string, std::string>;

struct Notification
{
    std::string name;
    const void *object = nullptr;
    // Whatever the poster documents for this name (a StringDictionary for the survey,
    // a node information for the selection change, ...). Empty when it carries nothing.
    std::any userInfo;
};

// Name-based notification centre. Observers are called synchronously on the posting
// thread, in the order they registered. Registration and posting may happen on any
// thread; an observer may post, add or remove observers from inside its callback.
class NotificationCenter
{
public:
    using Callback = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // An empty name observes every notification; a null sender accepts any object.
    void addObserver(const void *observer, const std::string &name, Callback callback,
                     const void *sender = nullptr);
    void removeObserver(const void *observer);
    void removeObserver(const void *observer, const std::string &name);

    void postNotification(const Notification &notification);
    void postNotificationName(const std::string &name, const void *object = nullptr,
                              std::any userInfo = {});

    bool hasObserver(const void *observer, const std::string &name) const;

private:
    struct Entry
    {
        unsigned long long id;
        const void *observer;
        std::string name;
        const void *sender;
        std::shared_ptr<Callback> callback;
    };
    mutable std::recursive_mutex m_mutex;
    std::vector<Entry> m_entries;
    unsigned long long m_nextId = 1;
};
