// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/assertion.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
void abortingHandler(const char *condition, const char *file, int line, const char *function)
{
    std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", file, line, function, condition);
    std::fflush(stderr);
    std::abort();
}

std::atomic<AssertionHandler> g_handler{&abortingHandler};
} // namespace

AssertionHandler setAssertionHandler(AssertionHandler handler)
{
    return g_handler.exchange(handler ? handler : &abortingHandler);
}

void assertionFailed(const char *condition, const char *file, int line, const char *function)
{
    g_handler.load()(condition, file, line, function);
}
