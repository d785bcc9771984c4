// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/workqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>

namespace {
using namespace std::chrono_literals;

// A gate a handler waits at, bounded so a fault fails the test instead of hanging it.
struct Gate
{
    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false, open = false;
    void pass()
    {
        std::unique_lock lock(mutex);
        reached = true;
        changed.notify_all();
        changed.wait_for(lock, 10s, [this] { return open; });
    }
    bool waitReached()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [this] { return reached; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};
} // namespace

TEST(WorkQueue, StopDropsWhatIsQueuedAndEndsAfterTheItemInHandWhileCloseHandlesAll)
{
    for (const bool stop : {true, false}) {
        Gate gate;
        std::mutex mutex;
        std::vector<int> handled;
        WorkQueue<int> queue([&](int &item, size_t) {
            if (item == 0)
                gate.pass();
            std::lock_guard lock(mutex);
            handled.push_back(item);
        });
        queue.ensureWorkers(1);
        for (int i = 0; i < 4; ++i)
            queue.push(i);
        ASSERT_TRUE(gate.waitReached());
        auto ended = std::async(std::launch::async, [&] { stop ? queue.stop() : queue.close(); });
        // The end waits for the item in hand; it is woken by it, not by a timeout.
        EXPECT_EQ(ended.wait_for(50ms), std::future_status::timeout);
        gate.release();
        ASSERT_EQ(ended.wait_for(10s), std::future_status::ready);
        queue.push(9); // once ended, nothing more is taken
        EXPECT_EQ(handled, stop ? std::vector<int>{0} : std::vector<int>({0, 1, 2, 3}));
        EXPECT_TRUE(queue.idle());
    }
}

TEST(WorkQueue, DrainHelpsUntilItemsThatQueueMoreAreAllHandled)
{
    std::atomic<int> count{0};
    std::mutex mutex;
    std::set<size_t> workers;
    WorkQueue<int> *self = nullptr;
    WorkQueue<int> queue([&](int &depth, size_t worker) {
        ++count;
        {
            std::lock_guard lock(mutex);
            workers.insert(worker);
        }
        if (depth > 0) {
            self->push(depth - 1);
            self->push(depth - 1);
        }
    });
    self = &queue;
    queue.ensureWorkers(3);
    queue.push(9);
    queue.drain();
    EXPECT_EQ(count.load(), (1 << 10) - 1);
    EXPECT_TRUE(queue.idle());
    EXPECT_EQ(queue.workers(), 0u);
    for (size_t worker : workers)
        EXPECT_LE(worker, 3u);
}
