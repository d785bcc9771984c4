// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// A device-port byte stream: blocking reads and writes on a socket, optionally inside a
// TLS session (lockdownd switches to TLS after StartSession and back after StopSession).
// Used by one thread at a time.

#include <cstddef>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
class LinkModel;

class Channel
{
public:
    Channel(int fd, LinkModel *link);
    ~Channel();
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    int fd() const { return m_fd; }
    bool readExact(void *buffer, size_t size);
    bool writeAll(const void *data, size_t size);

    // Server side of the handshake on the plain stream; false when it fails.
    bool startTls(SSL_CTX *context, std::string *error);
    // After StopSession: consume the client's close_notify, if it sends one, without
    // answering it (the client carries on in plain text) and return to the plain stream.
    void endTls();
    bool tlsActive() const { return m_ssl != nullptr; }

private:
    int m_fd;
    LinkModel *m_link;
    SSL *m_ssl = nullptr;
};
