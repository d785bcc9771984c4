// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/importsources.h"

#include "app/userinteraction.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

bool isEpubName(const QString &name)
{
    // The import takes exactly this ending; a file it would pass over is not counted.
    return name.endsWith(QLatin1String(".epub"), Qt::CaseSensitive);
}

bool isBookName(const QString &name, bool withPdfs)
{
    return isEpubName(name) || (withPdfs && name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive));
}

bool hasLocalFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

QStringList epubFilesUnder(const QString &folder, bool withPdfs)
{
    const QDir root(folder);
    QStringList relative;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isBookName(it.fileName(), withPdfs))
            relative << root.relativeFilePath(path);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(relative.begin(), relative.end(),
              [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    QStringList paths;
    for (const QString &name : relative)
        paths << QDir::cleanPath(root.absoluteFilePath(name));
    return paths;
}

QStringList epubFilesDropped(const QList<QUrl> &urls, bool withPdfs)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            paths << epubFilesUnder(info.absoluteFilePath(), withPdfs);
        else if (info.isFile() && isBookName(info.fileName(), withPdfs))
            paths << info.absoluteFilePath();
    }
    return paths;
}

BookImportSources::BookImportSources(QWidget *window, UserInteraction &interaction, Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_interaction(interaction)
    , m_hooks(std::move(hooks))
{
    m_window->setAcceptDrops(true);
    m_window->installEventFilter(this);
}

void BookImportSources::tell(const QString &message)
{
    m_interaction.ask(m_window, tr("Information"), message, {tr("OK")});
}

void BookImportSources::importFolder()
{
    const QString folder = m_interaction.chooseImportFolder(m_window);
    if (folder.isEmpty())
        return;
    const QStringList files = epubFilesUnder(folder, takesPdf());
    const QString name = QDir::toNativeSeparators(folder);
    if (files.isEmpty()) {
        tell(tr("No ePub books were found in \"%1\" or its sub-folders.").arg(name));
        return;
    }
    const QString found = files.size() == 1
                              ? tr("Found 1 ePub book in \"%1\" and its sub-folders.").arg(name)
                              : tr("Found %1 ePub books in \"%2\" and its sub-folders.").arg(files.size()).arg(name);
    // The question names where the books go: an app's folder when one is selected.
    const QString destination = m_hooks.destination ? m_hooks.destination() : QString();
    const QString add =
        destination.isEmpty() ? tr("Add them to Custom Books?") : tr("Add them to %1?").arg(destination);
    const int answer = m_interaction.ask(m_window, tr("Folder to Device"), found + QLatin1Char(' ') + add,
                                         {tr("Cancel"), tr("Add Books")});
    if (answer == AlertFirstButtonReturn + 1 && !m_hooks.transferRunning())
        m_hooks.import(files);
}

bool BookImportSources::refuse(const QString &busy)
{
    if (!m_hooks.deviceConnected()) {
        tell(tr("Connect a device to add books to it."));
        return true;
    }
    if (m_hooks.transferRunning()) {
        tell(busy);
        return true;
    }
    return false;
}

void BookImportSources::importDrop(const QList<QUrl> &urls)
{
    if (refuse(tr("Books are being copied. Drop the new books again when that has finished.")))
        return;
    const QStringList files = epubFilesDropped(urls, takesPdf());
    if (files.isEmpty()) {
        tell(takesPdf() ? tr("Nothing that was dropped is an ePub book or a PDF (a file whose name ends in \".epub\" "
                             "or \".pdf\").")
                        : tr("Nothing that was dropped is an ePub book (a file whose name ends in \".epub\")."));
        return;
    }
    m_hooks.import(files);
}

void BookImportSources::importGiven(const QStringList &paths)
{
    const QString busy = tr("Books are being copied. Open the new books again when that has finished.");
    if (refuse(busy))
        return;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    const QStringList files = epubFilesDropped(urls, takesPdf());
    // What is left out is said by number, so nothing goes unmentioned.
    qsizetype missing = 0;
    qsizetype others = 0;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            ++missing;
        else if (!info.isDir() && !(info.isFile() && isBookName(info.fileName(), takesPdf())))
            ++others;
    }
    QString leftOut;
    if (missing == 1)
        leftOut += QLatin1Char(' ') + tr("1 file was not found.");
    else if (missing > 1)
        leftOut += QLatin1Char(' ') + tr("%1 files were not found.").arg(missing);
    if (others == 1)
        leftOut += QLatin1Char(' ') + tr("1 file that is no ePub book is left out.");
    else if (others > 1)
        leftOut += QLatin1Char(' ') + tr("%1 files that are no ePub books are left out.").arg(others);
    if (files.isEmpty()) {
        tell(tr("No ePub book (a file whose name ends in \".epub\") was found among the files given.") + leftOut);
        return;
    }
    const QString app = m_hooks.destination ? m_hooks.destination() : QString();
    const QString destination = app.isEmpty() ? tr("Custom Books") : app;
    const QString device = m_hooks.deviceName ? m_hooks.deviceName() : QString();
    const QString question =
        (files.size() == 1 ? tr("Add 1 book to %1 on %2?").arg(destination, device)
                           : tr("Add %1 books to %2 on %3?").arg(files.size()).arg(destination, device))
        + leftOut;
    const int answer =
        m_interaction.ask(m_window, tr("Add Books"), question, {tr("Cancel"), tr("Add Books")});
    if (answer != AlertFirstButtonReturn + 1)
        return;
    // The question waited on the user: the device may have gone or a transfer begun meanwhile.
    if (!refuse(busy))
        m_hooks.import(files);
}

bool BookImportSources::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!hasLocalFiles(drag->mimeData()))
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!hasLocalFiles(drop->mimeData()))
            return false;
        drop->acceptProposedAction();
        // The drag source waits for the drop to end; questions and the import come after.
        const QList<QUrl> urls = drop->mimeData()->urls();
        QTimer::singleShot(0, this, [this, urls] { importDrop(urls); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
