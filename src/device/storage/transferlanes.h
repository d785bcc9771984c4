// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/workqueue.h"
#include "device/storage/userdataiphone.h"

#include <chrono>
#include <functional>
#include <mutex>
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
        : m_lanes(extra.size() + 1, main), m_parallel(!extra.empty())
    {
        for (size_t i = 0; i < extra.size(); ++i)
            m_lanes[i + 1].conn = extra[i];
        m_queue.ensureWorkers(extra.size());
    }
    ~TransferLanes() { finish(); }
    TransferLanes(const TransferLanes &) = delete;
    TransferLanes &operator=(const TransferLanes &) = delete;

    bool parallel() const { return m_parallel; }
    int connections() const { return static_cast<int>(m_lanes.size()); }
    double busySeconds()
    {
        std::lock_guard lock(m_busyMutex);
        return m_busySeconds;
    }

    void submit(Job job)
    {
        if (!m_parallel)
            run(job, &m_lanes.front());
        else
            m_queue.push(std::move(job));
    }

    // The caller's connection helps with what is left, then every lane ends. A running job
    // may queue more (the folders a download finds), so "left" counts those still running.
    void finish() { m_queue.drain(); }

private:
    void run(Job &job, userDataIphone *lane)
    {
        const auto started = std::chrono::steady_clock::now();
        job(lane);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        std::lock_guard lock(m_busyMutex);
        m_busySeconds += took.count();
    }

    std::vector<userDataIphone> m_lanes; // the caller's first, then one a thread, by worker number
    const bool m_parallel;
    std::mutex m_busyMutex;
    double m_busySeconds = 0;
    // Last: its threads end before what they use goes.
    WorkQueue<Job> m_queue{[this](Job &job, size_t worker) { run(job, &m_lanes[worker]); }};
};
