// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Precondition checks of the probing functions. They stay on in release builds: a
// broken precondition would otherwise be a null dereference. The default handler
// prints the condition the way assert() does and aborts; tests install their own
// handler to observe the condition text, after which the function returns its
// failure value.
using AssertionHandler = void (*)(const char *condition, const char *file, int line,
                                  const char *function);

// Installs handler (null restores the default) and returns the previous one.
AssertionHandler setAssertionHandler(AssertionHandler handler);

void assertionFailed(const char *condition, const char *file, int line, const char *function);

// IPODINFO_ASSERT(condition, failure value): the value is omitted in void functions.
#define IPODINFO_ASSERT(condition, ...)                                                            \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            assertionFailed(#condition, __FILE__, __LINE__, __func__);                             \
            return __VA_ARGS__;                                                                    \
        }                                                                                          \
    } while (false)
