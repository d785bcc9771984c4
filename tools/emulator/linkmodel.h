// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// A device's USB link as the emulator models it: a fixed delay before every reply and
// a bandwidth shared by all connections to the device. Disabled when both are zero.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

class LinkModel
{
public:
    LinkModel(double latencyMs, double bytesPerSecond);

    void requestDelay() const;      // once per request, before its reply
    void transfer(size_t bytes);    // books `bytes` on the link and waits for them
    // A device out of reach that never said goodbye: every transfer waits until it is back
    // (false), so its peers hear nothing more on streams that stay open.
    void freeze(bool frozen);

    // Waits shorter than this are not slept: the time stays booked for the transfers after.
    static constexpr std::chrono::microseconds kShortestWait{500};

private:
    std::chrono::nanoseconds m_latency;
    double m_bytesPerSecond;
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_busyUntil{};
    std::atomic_bool m_frozen{false};
    std::condition_variable m_thawed;
};
