// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "channel.h"

#include "linkmodel.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

Channel::Channel(int fd, LinkModel *link)
    : m_fd(fd)
    , m_link(link)
{
}

Channel::~Channel()
{
    SSL_free(m_ssl);
}

bool Channel::readExact(void *buffer, size_t size)
{
    auto *p = static_cast<char *>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n;
        if (m_ssl) {
            const int r = SSL_read(m_ssl, p + done, int(std::min<size_t>(size - done, 1 << 30)));
            n = r > 0 ? r : -1;
        } else {
            n = ::recv(m_fd, p + done, size - done, 0);
            if (n < 0 && errno == EINTR)
                continue;
        }
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    if (m_link)
        m_link->transfer(size);
    return true;
}

bool Channel::writeAll(const void *data, size_t size)
{
    if (m_link)
        m_link->transfer(size);
    const auto *p = static_cast<const char *>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n;
        if (m_ssl) {
            const int r = SSL_write(m_ssl, p + done, int(std::min<size_t>(size - done, 1 << 30)));
            n = r > 0 ? r : -1;
        } else {
            n = ::send(m_fd, p + done, size - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
        }
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

bool Channel::startTls(SSL_CTX *context, std::string *error)
{
    SSL_free(m_ssl);
    m_ssl = SSL_new(context);
    if (!m_ssl || SSL_set_fd(m_ssl, m_fd) != 1 || SSL_accept(m_ssl) != 1) {
        char buf[256] = {};
        ERR_error_string_n(ERR_get_error(), buf, sizeof buf);
        if (error)
            *error = buf;
        ERR_clear_error();
        SSL_free(m_ssl);
        m_ssl = nullptr;
        return false;
    }
    return true;
}

void Channel::endTls()
{
    if (!m_ssl)
        return;
    // A client may go back to plain text without a close_notify. What comes next tells:
    // a TLS record starts with its type (0x15 alert, 0x17 data), a plain message with the
    // high byte of its length, which is 0 (messages are far below 0x15000000 bytes).
    unsigned char next = 0;
    ssize_t peeked;
    do {
        peeked = ::recv(m_fd, &next, 1, MSG_PEEK);
    } while (peeked < 0 && errno == EINTR);
    if (peeked == 1 && (next == 0x15 || next == 0x17)) {
        // SSL_read answers 0 on the peer's close_notify; without read-ahead it stops at that
        // record, so the plain-text bytes that may follow stay in the socket.
        char byte;
        while (SSL_read(m_ssl, &byte, 1) > 0) {
        }
    }
    ERR_clear_error();
    SSL_free(m_ssl);
    m_ssl = nullptr;
}
