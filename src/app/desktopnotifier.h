// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/transferslot.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QWidget;

// Tells the user through the desktop's notification service (org.freedesktop.Notifications
// on the session bus) how a long transfer ended while they were in another window: someone
// who started an export of a few hundred books and went on with other work learns that it is
// done without looking back. Short transfers, and those that end with the window in front,
// say nothing here: the window shows them.
//
// The call is sent without waiting for its answer; without a session bus or without a
// notification service nothing happens and nothing waits.
//
// Threads: main thread only.
class DesktopNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifier)
public:
    // A transfer shorter than this ends without a notification.
    static constexpr std::chrono::milliseconds kMinimumDuration{5000};

    // `window` is the window whose being in front makes a notification needless.
    explicit DesktopNotifier(QWidget *window, QObject *parent = nullptr);

    // The bus to send on; the session bus (connected at the first notification) by default.
    void setConnection(const QDBusConnection &connection) { m_connection = connection; }
    // Where a notification's call goes instead of the bus: tests read the call there.
    void setSender(std::function<bool(const QDBusMessage &)> send) { m_send = std::move(send); }
    void setMinimumDuration(std::chrono::milliseconds duration) { m_minimumDuration = duration; }

    void transferStarted();
    void transferEnded(const TransferEnd &end);

    // The notification's title and text for a transfer's end.
    static QString summary(const TransferEnd &end);
    static QString body(const TransferEnd &end);
    // Sends one notification; false when there is no bus to send it on.
    bool notify(const QString &summary, const QString &body);

private:
    bool windowInFront() const;

    QWidget *m_window;
    std::optional<QDBusConnection> m_connection;
    std::function<bool(const QDBusMessage &)> m_send;
    std::chrono::milliseconds m_minimumDuration = kMinimumDuration;
    QElapsedTimer m_running;
};
