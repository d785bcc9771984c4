// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/backend/mobiledevice.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <vector>

// Records handed from the threads under test to the test through a pipe: the write and
// the read order them for ThreadSanitizer too, and a read waits at most 30 seconds.
template<typename Record>
class Handover
{
public:
    Handover()
    {
        if (::pipe2(m_fds, O_CLOEXEC) != 0)
            m_fds[0] = m_fds[1] = -1;
    }
    ~Handover()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    Handover(const Handover &) = delete;
    Handover &operator=(const Handover &) = delete;

    void put(const Record &record)
    {
        static_assert(sizeof(Record) <= PIPE_BUF); // one write, never interleaved
        if (::write(m_fds[1], &record, sizeof record) != ssize_t(sizeof record))
            std::abort();
    }
    // The next record; nothing when none came within 30 seconds (or, with `wait` false, at once).
    std::optional<Record> next(bool wait = true)
    {
        pollfd fd{m_fds[0], POLLIN, 0};
        if (::poll(&fd, 1, wait ? 30000 : 0) != 1)
            return std::nullopt;
        Record record;
        if (::read(m_fds[0], &record, sizeof record) != ssize_t(sizeof record))
            return std::nullopt;
        return record;
    }

private:
    int m_fds[2] = {-1, -1};
};

// A backend's reports of arrivals and removals, from its threads; `report` is the callback
// to subscribe with this object as its context.
class BackendReports
{
public:
    struct Event
    {
        am_device *device = nullptr;
        unsigned int msg = 0;
    };

    static void report(void *self, am_device *device, unsigned int msg)
    {
        static_cast<BackendReports *>(self)->m_pipe.put({device, msg});
    }

    // The next report, whatever it is.
    std::optional<Event> next() { return m_pipe.next(); }

    // The next arrival; the reports before it are kept for removed().
    am_device *arrival()
    {
        while (std::optional<Event> e = m_pipe.next()) {
            m_seen.push_back(*e);
            if (e->msg == ADNCI_MSG_CONNECTED)
                return e->device;
        }
        return nullptr;
    }

    // Whether the removal of `device` was or is now reported.
    bool removed(am_device *device)
    {
        for (const Event &e : m_seen)
            if (e.device == device && e.msg == ADNCI_MSG_DISCONNECTED)
                return true;
        while (std::optional<Event> e = m_pipe.next()) {
            m_seen.push_back(*e);
            if (e->device == device && e->msg == ADNCI_MSG_DISCONNECTED)
                return true;
        }
        return false;
    }

private:
    Handover<Event> m_pipe;
    std::vector<Event> m_seen; // the test's thread only
};
