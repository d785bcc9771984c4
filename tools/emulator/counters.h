// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Request counters per operation ("usbmux.Connect", "lockdown.GetValue", "afc.FILE_READ",
// "np.PostNotification", ...), and "bytes.afc.FILE_READ", the bytes the file service read
// out. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class Counters
{
public:
    uint64_t add(const std::string &name, uint64_t amount = 1); // returns the new count
    uint64_t get(const std::string &name) const;
    std::string text() const;              // "name count" lines, sorted by name
    bool writeTo(const std::string &path) const;
    // Blocks until `name` has reached `count` or the timeout passed; true when reached.
    bool waitFor(const std::string &name, uint64_t count, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, uint64_t> m_counts;
};
