// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;
class UserInteraction;

// Every file under `folder`, sub-folders included, whose name ends in ".epub" (or ".pdf" with
// `withPdfs`), ordered by its path below the folder (ignoring case, numbers by value).
// Symbolic links to folders are not followed.
QStringList epubFilesUnder(const QString &folder, bool withPdfs = false);
// The files a drop brings, in the order dropped: ePub files (and PDFs with `withPdfs`) as they
// are, folders by those under them; anything else (other files, addresses that are no local
// files) is left out.
QStringList epubFilesDropped(const QList<QUrl> &urls, bool withPdfs = false);

// The ways into an import besides the import panel: "Folder to Device" and files or folders
// dropped on the window. Both end in the same import as the panel's files (`import`).
// Threads: main thread only.
class BookImportSources : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        std::function<bool()> deviceConnected;
        std::function<bool()> transferRunning;
        std::function<void(const QStringList &paths)> import;
        // Where the books would go now: the selected app's name, or empty for "Custom Books".
        std::function<QString()> destination;
        // The name of the device the books would go to.
        std::function<QString()> deviceName;
        // Whether the destination takes PDFs as well (an app that takes them); none: ePub only.
        std::function<bool()> takesPdf;
    };
    BookImportSources(QWidget *window, UserInteraction &interaction, Hooks hooks, QObject *parent = nullptr);

    // Asks for a folder, says how many books it holds and imports them when the user agrees.
    void importFolder();
    // A drop: refused with a message while no device is connected or a transfer runs.
    void importDrop(const QList<QUrl> &urls);
    // Files given by the desktop (the command line, a later start): asks once, naming where
    // they go and the device, then imports the ePub books among them. Refused with a message
    // while no device is connected or a transfer runs.
    void importGiven(const QStringList &paths);

protected:
    // Drags of local files over the window are accepted; a drop is handled once the drag ends.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tell(const QString &message);
    // Refuses with a message while no device is connected or a transfer runs; true when it did.
    bool refuse(const QString &busy);
    bool takesPdf() const { return m_hooks.takesPdf && m_hooks.takesPdf(); }

    QWidget *m_window;
    UserInteraction &m_interaction;
    Hooks m_hooks;
};
