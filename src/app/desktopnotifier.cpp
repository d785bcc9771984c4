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
// the books done were not counted (a reader app's). `many` holds %1 for the count and `where`
// (an export's folder), when given, goes into %1 of the others and %2 of `many`.
QString counted(const TransferEnd &end, const char *one, const char *many, const char *uncounted,
                const QString &where = {})
{
    QString text;
    if (end.done < 0 || end.done == 1) {
        text = DesktopNotifier::tr(end.done < 0 ? uncounted : one);
        if (!where.isEmpty())
            text = text.arg(where);
    } else {
        text = DesktopNotifier::tr(many);
        text = where.isEmpty() ? text.arg(end.done) : text.arg(QString::number(end.done), where);
    }
    if (end.failed > 0)
        text += DesktopNotifier::tr(", %1 failed").arg(end.failed);
    return text + QLatin1Char('.');
}

// The heading of each kind of transfer, as it finished, stopped or ended with problems.
struct Headings
{
    const char *finished;
    const char *stopped;
    const char *problems;
};
constexpr Headings kImportHeadings{QT_TRANSLATE_NOOP("DesktopNotifier", "Adding books finished"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Adding books stopped"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Adding books ended with problems")};
constexpr Headings kExportHeadings{QT_TRANSLATE_NOOP("DesktopNotifier", "Export finished"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Export stopped"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Export ended with problems")};
constexpr Headings kDeleteHeadings{QT_TRANSLATE_NOOP("DesktopNotifier", "Deletion finished"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Deletion stopped"),
                                   QT_TRANSLATE_NOOP("DesktopNotifier", "Deletion ended with problems")};
constexpr Headings kRestoreHeadings{QT_TRANSLATE_NOOP("DesktopNotifier", "Catalogue restore finished"),
                                    QT_TRANSLATE_NOOP("DesktopNotifier", "Catalogue restore stopped"),
                                    QT_TRANSLATE_NOOP("DesktopNotifier", "Catalogue restore ended with problems")};
constexpr Headings kOtherHeadings{QT_TRANSLATE_NOOP("DesktopNotifier", "Transfer finished"),
                                  QT_TRANSLATE_NOOP("DesktopNotifier", "Transfer stopped"),
                                  QT_TRANSLATE_NOOP("DesktopNotifier", "Transfer ended with problems")};

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
    const Headings *headings = &kOtherHeadings;
    switch (end.kind) {
    case TransferEnd::Kind::Import:
        headings = &kImportHeadings;
        break;
    case TransferEnd::Kind::Export:
        headings = &kExportHeadings;
        break;
    case TransferEnd::Kind::Delete:
        headings = &kDeleteHeadings;
        break;
    case TransferEnd::Kind::Restore:
        headings = &kRestoreHeadings;
        break;
    case TransferEnd::Kind::Other:
        break;
    }
    return tr(end.stopped ? headings->stopped : end.failed > 0 ? headings->problems : headings->finished);
}

QString DesktopNotifier::body(const TransferEnd &end)
{
    switch (end.kind) {
    case TransferEnd::Kind::Import:
        return counted(end, QT_TR_NOOP("1 book was added"), QT_TR_NOOP("%1 books were added"),
                       QT_TR_NOOP("The books were added"));
    case TransferEnd::Kind::Export: {
        // The folder's own name reads better in a notification than its path.
        const QString name = QDir(end.folder).dirName();
        return counted(end, QT_TR_NOOP("1 book was exported to %1"), QT_TR_NOOP("%1 books were exported to %2"),
                       QT_TR_NOOP("The books were exported to %1"), name.isEmpty() ? end.folder : name);
    }
    case TransferEnd::Kind::Delete:
        return counted(end, QT_TR_NOOP("1 book was deleted"), QT_TR_NOOP("%1 books were deleted"),
                       QT_TR_NOOP("The books were deleted"));
    case TransferEnd::Kind::Restore:
        return end.failed > 0 ? tr("The book catalogue could not be restored.")
                              : tr("The book catalogue was restored.");
    case TransferEnd::Kind::Other:
        break;
    }
    return end.failed > 0 ? tr("%1 failed.").arg(end.failed) : QString();
}

bool DesktopNotifier::notify(const QString &summary, const QString &body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QString appName = QString::fromUtf8(AppName);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("bookferry"));
    call << appName << 0u << QStringLiteral("bookferry") << summary << body << QStringList() << hints
         << static_cast<int>(-1);
    if (m_send)
        return m_send(call);
    if (!m_connection)
        m_connection = QDBusConnection::sessionBus();
    if (!m_connection->isConnected())
        return false;
    // Not waited for: a missing service answers with an error that nobody needs to read.
    return m_connection->send(call);
}
