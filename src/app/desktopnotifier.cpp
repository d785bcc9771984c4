// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/desktopnotifier.h"

#include "core/appconfigure.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDir>
#include <QVariantMap>
#include <QWidget>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// "12 books were exported to Documents", with ", 1 failed" when some did; `uncounted` when
// the books done were not counted (a reader app's).
QString counted(const TransferEnd &end, const QString &one, const QString &many, const QString &uncounted,
                const QString &where = {})
{
    QString text = (end.done < 0 ? uncounted : end.done == 1 ? one : many.arg(end.done)) + where;
    if (end.failed > 0)
        text += QStringLiteral(", %1 failed").arg(end.failed);
    return text + QLatin1Char('.');
}

} // namespace

DesktopNotifier::DesktopNotifier(QWidget *window, QObject *parent) : QObject(parent), m_window(window) {}

void DesktopNotifier::transferStarted()
{
    m_running.start();
}

void DesktopNotifier::transferEnded(const TransferEnd &end)
{
    const bool long_ =
        m_running.isValid() && std::chrono::milliseconds(m_running.elapsed()) >= m_minimumDuration;
    m_running.invalidate();
    if (!long_ || windowInFront())
        return;
    notify(summary(end), body(end));
}

// The window, or one of its own dialogs (the failure list), has the keyboard.
bool DesktopNotifier::windowInFront() const
{
    if (!m_window)
        return false;
    for (QWidget *active = QApplication::activeWindow(); active; active = active->parentWidget()) {
        if (active->window() == m_window->window())
            return true;
    }
    return false;
}

QString DesktopNotifier::summary(const TransferEnd &end)
{
    QString what;
    switch (end.kind) {
    case TransferEnd::Kind::Import:
        what = QStringLiteral("Adding books");
        break;
    case TransferEnd::Kind::Export:
        what = QStringLiteral("Export");
        break;
    case TransferEnd::Kind::Delete:
        what = QStringLiteral("Deletion");
        break;
    case TransferEnd::Kind::Restore:
        what = QStringLiteral("Catalogue restore");
        break;
    case TransferEnd::Kind::Other:
        what = QStringLiteral("Transfer");
        break;
    }
    if (end.stopped)
        return QStringLiteral("%1 stopped").arg(what);
    if (end.failed > 0)
        return QStringLiteral("%1 ended with problems").arg(what);
    return QStringLiteral("%1 finished").arg(what);
}

QString DesktopNotifier::body(const TransferEnd &end)
{
    switch (end.kind) {
    case TransferEnd::Kind::Import:
        return counted(end, QStringLiteral("1 book was added"), QStringLiteral("%1 books were added"),
                       QStringLiteral("The books were added"));
    case TransferEnd::Kind::Export: {
        // The folder's own name reads better in a notification than its path.
        const QString name = QDir(end.folder).dirName();
        const QString to = QStringLiteral(" to ") + (name.isEmpty() ? end.folder : name);
        return counted(end, QStringLiteral("1 book was exported"), QStringLiteral("%1 books were exported"),
                       QStringLiteral("The books were exported"), to);
    }
    case TransferEnd::Kind::Delete:
        return counted(end, QStringLiteral("1 book was deleted"), QStringLiteral("%1 books were deleted"),
                       QStringLiteral("The books were deleted"));
    case TransferEnd::Kind::Restore:
        return end.failed > 0 ? QStringLiteral("The book catalogue could not be restored.")
                              : QStringLiteral("The book catalogue was restored.");
    case TransferEnd::Kind::Other:
        break;
    }
    return end.failed > 0 ? QStringLiteral("%1 failed.").arg(end.failed) : QString();
}

bool DesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_connection)
        m_connection = QDBusConnection::sessionBus();
    if (!m_connection->isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QString appName = QString::fromUtf8(AppName);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("bookferry"));
    call << appName << 0u << QStringLiteral("bookferry") << summary << body << QStringList() << hints
         << static_cast<int>(-1);
    // Not waited for: a missing service answers with an error that nobody needs to read.
    return m_connection->send(call);
}
