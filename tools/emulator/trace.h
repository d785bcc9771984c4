// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The packet trace (--trace FILE): one line per request and per answer, for whoever debugs
// a client against the emulator. A line reads
//   TIME cN LAYER DIR SUMMARY
// TIME is UTC with microseconds, cN the usbmuxd connection (a device-port stream keeps the
// number of the connection it was opened on), LAYER one of usbmux, lockdown, afc, np, DIR
// ">" for what the client sent and "<" for what the emulator answered. Plist messages are
// shown as {Key=value ...} (strings quoted, data as <N bytes>); AFC packets as
// OPERATION #packet_num this=N entire=N and their decoded fields.

#include "afcprotocol.h"

#include <cstdio>
#include <mutex>
#include <string>

class Trace
{
public:
    ~Trace();
    bool open(const std::string &path, std::string *error);
    bool enabled() const { return m_file != nullptr; }
    void line(uint64_t connection, const char *layer, char direction, const std::string &summary);

private:
    std::mutex m_mutex;
    FILE *m_file = nullptr;
};

namespace trace {

std::string quoted(const std::string &text); // "text" with quotes, backslashes and control bytes escaped
std::string describePlist(plist_t node);
// A whole usbmuxd packet (header and payload), either protocol.
std::string describeUsbmux(const uint8_t *packet, size_t size);
std::string describeAfcRequest(const afc::Header &header, const afc::Request *request);
// An encoded answer, as it goes out.
std::string describeAfcAnswer(const Bytes &packet);

} // namespace trace
