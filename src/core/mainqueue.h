// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <chrono>
#include <functional>

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
