// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "counters.h"

#include <cstdio>
#include <fstream>

uint64_t Counters::add(const std::string &name, uint64_t amount)
{
    std::lock_guard lock(m_mutex);
    const uint64_t count = m_counts[name] += amount;
    m_changed.notify_all();
    return count;
}

uint64_t Counters::get(const std::string &name) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_counts.find(name);
    return it == m_counts.end() ? 0 : it->second;
}

std::string Counters::text() const
{
    std::lock_guard lock(m_mutex);
    std::string out;
    for (const auto &[name, count] : m_counts)
        out += name + " " + std::to_string(count) + "\n";
    return out;
}

bool Counters::writeTo(const std::string &path) const
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << text();
        if (!out)
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool Counters::waitFor(const std::string &name, uint64_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        auto it = m_counts.find(name);
        return it != m_counts.end() && it->second >= count;
    });
}
