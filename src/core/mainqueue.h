// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Hands work to the main (GUI) thread without waiting, in the order asked. Needs a
// QCoreApplication (or QApplication); the work runs when the main event loop, or a
// nested one, next processes events.
void performOnMainThread(std::function<void()> work);

// Runs on the main thread and waits for the result; runs inline when already there.
void performOnMainThreadAndWait(const std::function<void()> &work);

bool isMainThread();

// For tests and command-line tools: processes main-thread events until pred() holds or the
// timeout passes. Returns pred()'s last value.
bool processMainEventsUntil(const std::function<bool()> &pred,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Set once, on any thread, when a piece of work ends. The main thread waits for it while it
// goes on serving its events (the work may need them), woken by the set itself; copies share
// one latch.
class MainLatch
{
public:
    MainLatch();
    void set();
    // Main thread: processes events until set or `timeout` passes (elsewhere, or without an
    // application, just waits). True when set.
    bool wait(std::chrono::milliseconds timeout);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
