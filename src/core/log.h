// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <functional>
#include <string>

// The system log: one line per message to standard error (and syslog when
// BOOKFERRY_SYSLOG is set). Thread-safe.
void logMessage(const std::string &text);

// printf-style convenience for the fixed texts that carry a value ("Not a directory: %s").
void logFormat(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Tests capture the log; a null sink restores the default. Returns the previous sink.
using LogSink = std::function<void(const std::string &)>;
LogSink setLogSink(LogSink sink);
