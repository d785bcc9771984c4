// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/mainqueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// The work itself waits here, not inside Qt's queued call: the hand-over from the posting
// thread then goes through a lock that race checkers see (Qt's own queue lock they do not).
struct PendingWork {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
};

PendingWork &pendingWork()
{
    static auto *pending = new PendingWork; // never destroyed: threads may still post during exit
    return *pending;
}

void runNextWork()
{
    PendingWork &pending = pendingWork();
    std::function<void()> work;
    {
        std::lock_guard lock(pending.mutex);
        if (pending.queue.empty())
            return;
        work = std::move(pending.queue.front());
        pending.queue.pop_front();
    }
    work();
}

} // namespace

void performOnMainThread(std::function<void()> work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    {
        PendingWork &pending = pendingWork();
        std::lock_guard lock(pending.mutex);
        pending.queue.push_back(std::move(work));
    }
    // One queued call per item, so each runs as its own event and nested event loops keep
    // the order. The call carries no state of its own.
    QMetaObject::invokeMethod(app, [] { runNextWork(); }, Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void performOnMainThreadAndWait(const std::function<void()> &work)
{
    if (isMainThread()) {
        work();
        return;
    }
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    performOnMainThread([&] {
        work();
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
}

bool processMainEventsUntil(const std::function<bool()> &pred, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() >= timeout.count())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!pred())
            QThread::msleep(1);
    }
    return true;
}

struct MainLatch::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool set = false;
    QEventLoop *loop = nullptr; // the main thread's wait, while it runs
};

MainLatch::MainLatch() : m_state(std::make_shared<State>()) {}

void MainLatch::set()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->set = true;
        m_state->changed.notify_all();
    }
    // The main thread's wait, if one runs by then, ends when it serves its events next.
    performOnMainThread([state = m_state] {
        std::lock_guard lock(state->mutex);
        if (state->loop)
            state->loop->quit();
    });
}

bool MainLatch::wait(std::chrono::milliseconds timeout)
{
    State &s = *m_state;
    if (!isMainThread()) {
        std::unique_lock lock(s.mutex);
        return s.changed.wait_for(lock, timeout, [&s] { return s.set; });
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    {
        std::lock_guard lock(s.mutex);
        if (s.set)
            return true;
        s.loop = &loop;
    }
    timer.start(timeout);
    loop.exec();
    std::lock_guard lock(s.mutex);
    s.loop = nullptr;
    return s.set;
}
