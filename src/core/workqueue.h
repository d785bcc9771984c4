// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The one worker idiom: items handed to worker threads in the order they come. Every wait is
// woken by an item, by the last item in hand being done, or by close()/stop(); nothing waits
// on anything else. Each thread has a number (1, 2, …; 0 is a thread that helps in drain()),
// so a handler can give each its own resource (a connection). A handler may push more items.
// close(), stop() and the destructor are not for the workers' own threads.

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

template <typename Item>
class WorkQueue final
{
public:
    using Handler = std::function<void(Item &item, size_t worker)>;
    // Runs under the queue's lock as an item is taken: reads what must go with the item (the
    // state withItems guards).
    using Taken = std::function<void(Item &item)>;

    // Which item is taken next. Last in, first out walks a tree deep before wide, so its queue
    // stays about as long as the widest folder.
    enum class Order { FirstInFirstOut, LastInFirstOut };

    explicit WorkQueue(Handler handle, Taken taken = {}, Order order = Order::FirstInFirstOut)
        : m_handle(std::move(handle)), m_taken(std::move(taken)), m_order(order)
    {
    }
    ~WorkQueue() { close(); } // nothing queued is lost unless stop() says so
    WorkQueue(const WorkQueue &) = delete;
    WorkQueue &operator=(const WorkQueue &) = delete;

    // Starts threads until `count` run (none once closed).
    void ensureWorkers(size_t count)
    {
        std::lock_guard lock(m_mutex);
        if (m_closing)
            return;
        while (m_threads.size() < count) {
            const size_t worker = ++m_started;
            m_threads.emplace_back([this, worker] { work(worker); });
        }
    }
    size_t workers() const
    {
        std::lock_guard lock(m_mutex);
        return m_threads.size();
    }

    // Ignored once closed.
    void push(Item item)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_closing)
                return;
            m_items.push_back(std::move(item));
        }
        m_work.notify_one();
        m_idle.notify_one();
    }

    // `f(items)` under the queue's lock: to look at, reorder, drop or add items.
    template <typename F>
    auto withItems(F &&f)
    {
        std::lock_guard lock(m_mutex);
        struct Wake
        {
            WorkQueue &queue;
            ~Wake()
            {
                queue.m_work.notify_all();
                queue.m_idle.notify_all();
            }
        } wake{*this};
        return f(m_items);
    }
    template <typename F>
    auto withItems(F &&f) const
    {
        std::lock_guard lock(m_mutex);
        return f(static_cast<const std::deque<Item> &>(m_items));
    }

    // Moves the queued items whose key (`keyOf(item)`) is among `first` to the head, in the
    // order of `first` (the rows a window shows now); the others keep their order behind them.
    template <typename Key, typename KeyOf>
    void moveToHead(const std::vector<Key> &first, KeyOf keyOf)
    {
        if (first.empty())
            return;
        std::map<Key, size_t> rank;
        for (size_t i = 0; i < first.size(); ++i)
            rank.emplace(first[i], i);
        const auto rankOf = [&](const Item &item) {
            const auto it = rank.find(keyOf(item));
            return it == rank.end() ? first.size() : it->second;
        };
        withItems([&](std::deque<Item> &items) {
            const auto head = std::stable_partition(items.begin(), items.end(),
                                                    [&](const Item &item) { return rankOf(item) < first.size(); });
            std::stable_sort(items.begin(), head,
                             [&](const Item &a, const Item &b) { return rankOf(a) < rankOf(b); });
        });
    }

    // Nothing queued and nothing in hand.
    bool idle() const
    {
        std::lock_guard lock(m_mutex);
        return m_items.empty() && m_inHand == 0;
    }

    // Handles items on the calling thread too (as worker 0) until nothing is queued and nothing
    // is in hand, then ends the threads.
    void drain()
    {
        for (;;) {
            std::optional<Item> item;
            {
                std::unique_lock lock(m_mutex);
                m_idle.wait(lock, [this] { return m_stopping || !m_items.empty() || m_inHand == 0; });
                if (m_stopping || m_items.empty())
                    break;
                item.emplace(take());
            }
            handle(*item, 0);
        }
        close();
    }
    // Takes no more items; the threads handle what is queued, then end. Returns once they have.
    void close() { end(false); }
    // Drops what is queued; the threads end once the items in hand are done. Returns then.
    void stop() { end(true); }

private:
    void work(size_t worker)
    {
        for (;;) {
            std::optional<Item> item;
            {
                std::unique_lock lock(m_mutex);
                m_work.wait(lock, [this] { return m_closing || !m_items.empty(); });
                if (m_stopping || m_items.empty())
                    return;
                item.emplace(take());
            }
            handle(*item, worker);
        }
    }

    Item take() // under m_mutex
    {
        const bool last = m_order == Order::LastInFirstOut;
        Item item = std::move(last ? m_items.back() : m_items.front());
        if (last)
            m_items.pop_back();
        else
            m_items.pop_front();
        ++m_inHand;
        if (m_taken)
            m_taken(item);
        return item;
    }

    void handle(Item &item, size_t worker)
    {
        m_handle(item, worker);
        std::lock_guard lock(m_mutex);
        if (--m_inHand == 0)
            m_idle.notify_all();
    }

    void end(bool drop)
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            if (drop) {
                m_stopping = true;
                m_items.clear();
            }
            threads.swap(m_threads);
        }
        m_work.notify_all();
        m_idle.notify_all();
        for (std::thread &t : threads)
            t.join();
    }

    const Handler m_handle;
    const Taken m_taken;
    const Order m_order;
    mutable std::mutex m_mutex;
    // Threads wait on m_work for items; a thread in drain() on m_idle for an item or the end.
    // Separate, so that an item or the end wakes one thread, not every worker.
    std::condition_variable m_work;
    std::condition_variable m_idle;
    std::deque<Item> m_items;
    size_t m_inHand = 0;
    size_t m_started = 0;
    bool m_closing = false;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
