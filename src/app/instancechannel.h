// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One window per user session. The first start takes a local socket named for the user; a
// later start connects to it, hands over its files (absolute paths) and its explicit device
// selection, and ends once the running window has taken them. A local socket needs no session
// bus, so this works the same on a bare display, over a remote X connection and in CI.
//
// The socket lives in $XDG_RUNTIME_DIR (private to the user) when there is one, else in the
// temporary folder, reachable by the user only; its name carries the user id either way.
//
// Threads: main thread only. Every wait is bounded.
class InstanceChannel : public QObject
{
    Q_OBJECT
public:
    enum class HandOver
    {
        Delivered,   // the running window took the files (or was raised)
        OtherDevice, // the running window serves another device than the one asked for
        NoneRunning, // nobody listens: this start is the first
        NoAnswer,    // someone holds the name but did not answer in time
    };
    struct Request
    {
        QString device; // the device asked for explicitly, in canonical form; empty when not asked
        QStringList files;
    };

    explicit InstanceChannel(QString name = defaultName(), QObject *parent = nullptr);
    ~InstanceChannel() override;

    static QString defaultName();
    QString name() const { return m_name; }

    // The start's side: gives `request` to the running window, waiting at most `limit` in all.
    HandOver handOver(const Request &request,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    // The first start's side: takes the name for a window serving `device` (canonical form).
    // A socket left by a start that was killed is removed first; false when a live window
    // holds the name (it answers a connection) or the socket cannot be made.
    bool listen(const QString &device);
    bool isListening() const;

Q_SIGNALS:
    // A later start handed these absolute paths over; empty when it only asks for the window.
    void filesReceived(const QStringList &files);

private:
    void readRequest(QLocalSocket *socket);

    QString m_name;
    QString m_device;
    QLocalServer *m_server = nullptr;
};
