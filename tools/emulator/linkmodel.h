// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// A device's USB link as the emulator models it: a fixed delay before every reply and
// a bandwidth shared by all connections to the device. Disabled when both are zero.

#include <chrono>
#include <cstddef>
#include <mutex>

class LinkModel
{
public:
    LinkModel(double latencyMs, double bytesPerSecond);

    void requestDelay() const;      // once per request, before its reply
    void transfer(size_t bytes);    // books `bytes` on the link and waits for them

    // Waits shorter than this are not slept: the time stays booked for the transfers after.
    static constexpr std::chrono::microseconds kShortestWait{500};

private:
    std::chrono::nanoseconds m_latency;
    double m_bytesPerSecond;
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_busyUntil{};
};
