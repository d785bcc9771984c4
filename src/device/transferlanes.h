// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "userdataiphone.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A book of many small files is limited by the round trip every request makes over USB, not
// by the link's bandwidth; requests on separate file-service connections overlap those
// round trips. The copy's walk stays on the caller's thread and connection, in order; the
// files themselves go through the lanes. Without extra connections jobs run at once, inline.
class TransferLanes final
{
public:
    using Job = std::function<void(userDataIphone *lane)>;

    TransferLanes(const userDataIphone &main, const std::vector<afc_connection *> &extra)
        : m_main(main), m_connections(static_cast<int>(extra.size()) + 1)
    {
        for (afc_connection *conn : extra) {
            userDataIphone lane = main;
            lane.conn = conn;
            m_threads.emplace_back([this, lane]() mutable { work(&lane); });
        }
    }
    ~TransferLanes() { finish(); }
    TransferLanes(const TransferLanes &) = delete;
    TransferLanes &operator=(const TransferLanes &) = delete;

    bool parallel() const { return !m_threads.empty(); }
    int connections() const { return m_connections; }
    double busySeconds()
    {
        std::lock_guard lock(m_mutex);
        return m_busySeconds;
    }

    void submit(Job job)
    {
        if (m_threads.empty()) {
            run(job, &m_main, false);
            return;
        }
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
        // One lane is enough for one job; the caller's connection hears of it too in case
        // it waits in finish() while every lane is busy.
        m_work.notify_one();
        m_idle.notify_one();
    }

    // The caller's connection helps with what is left, then every lane ends. A running job
    // may queue more (the folders a download finds), so "left" counts those still running.
    void finish()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(m_mutex);
                m_idle.wait(lock, [this] { return !m_jobs.empty() || m_running == 0; });
                if (m_jobs.empty())
                    break;
                job = takeFront();
            }
            run(job, &m_main);
        }
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            m_work.notify_all();
        }
        for (auto &t : m_threads)
            t.join();
        m_threads.clear();
    }

private:
    void work(userDataIphone *lane)
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(m_mutex);
                m_work.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                job = takeFront();
            }
            run(job, lane);
        }
    }

    Job takeFront() // with m_mutex held
    {
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_running;
        return job;
    }

    void run(Job &job, userDataIphone *lane, bool queued = true)
    {
        const auto started = std::chrono::steady_clock::now();
        job(lane);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        std::lock_guard lock(m_mutex);
        m_busySeconds += took.count();
        if (!queued)
            return;
        if (--m_running == 0)
            m_idle.notify_one();
    }

    userDataIphone m_main;
    std::mutex m_mutex;
    // Lanes wait on m_work for jobs; the caller's connection waits on m_idle for a job or the end.
    // Separate, so that a job or its end wakes one thread, not every lane.
    std::condition_variable m_work;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    size_t m_running = 0;
    bool m_closing = false;
    int m_connections;
    double m_busySeconds = 0;
    std::vector<std::thread> m_threads;
};
