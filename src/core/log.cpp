// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <syslog.h>
#include <vector>

namespace {
std::mutex &logMutex()
{
    static std::mutex m;
    return m;
}
LogSink &currentSink()
{
    static LogSink sink;
    return sink;
}
} // namespace

void logMessage(const std::string &text)
{
    std::lock_guard lock(logMutex());
    if (currentSink()) {
        currentSink()(text);
        return;
    }
    std::fprintf(stderr, "bookferry: %s\n", text.c_str());
    if (std::getenv("BOOKFERRY_SYSLOG"))
        syslog(LOG_NOTICE, "%s", text.c_str());
}

void logFormat(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> buf(n > 0 ? size_t(n) + 1 : 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    va_end(args);
    logMessage(std::string(buf.data()));
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(logMutex());
    LogSink old = std::move(currentSink());
    currentSink() = std::move(sink);
    return old;
}
