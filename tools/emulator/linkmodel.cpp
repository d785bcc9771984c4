// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "linkmodel.h"

#include <thread>

LinkModel::LinkModel(double latencyMs, double bytesPerSecond)
    : m_latency(std::chrono::nanoseconds(int64_t(latencyMs * 1e6)))
    , m_bytesPerSecond(bytesPerSecond)
{
}

void LinkModel::requestDelay() const
{
    if (m_latency.count() > 0)
        std::this_thread::sleep_for(m_latency);
}

void LinkModel::freeze(bool frozen)
{
    {
        std::lock_guard lock(m_mutex);
        m_frozen = frozen;
    }
    m_thawed.notify_all();
}

void LinkModel::transfer(size_t bytes)
{
    if (m_frozen) {
        std::unique_lock lock(m_mutex);
        m_thawed.wait(lock, [this] { return !m_frozen; });
    }
    if (m_bytesPerSecond <= 0 || bytes == 0)
        return;
    const auto cost = std::chrono::nanoseconds(int64_t(double(bytes) / m_bytesPerSecond * 1e9));
    std::chrono::steady_clock::time_point now, until;
    {
        // Each transfer books the next free slot of the shared link, then waits for it.
        std::lock_guard lock(m_mutex);
        now = std::chrono::steady_clock::now();
        m_busyUntil = std::max(m_busyUntil, now) + cost;
        until = m_busyUntil;
    }
    // A sleep costs the kernel's timer slack and a wake-up, and far more when the processors
    // are busy: slept once a message, those costs, not the link, would set the pace of small
    // requests (a 40-byte header takes 1.3 us at 30 MB/s, a 12 KB file 0.4 ms). Short waits
    // are therefore skipped; their time stays booked, so the next transfer on any connection
    // waits for it: the link never carries more than its bandwidth over any stretch longer
    // than kShortestWait, which is below the delay every request takes anyway.
    if (until - now >= kShortestWait)
        std::this_thread::sleep_until(until);
}
