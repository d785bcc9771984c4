// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/transferslot.h"
#include "library/epub.h"
#include "operations/appbooks.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>

class BookTable;
class QWidget;
class UserInteraction;
class DeviceLibrary;
struct userDataIphone;

// The window's book commands: import, export of the checked books, export of the highlighted
// rows, and deletion. Each acts on the selected node's shelf (the device's catalogue or an
// app's Documents), runs as one BookBatch in the window's transfer slot and lists its failures
// there at its end. Each works on a device session opened when the command starts and given
// back after its end, so a device that arrives meanwhile is surveyed only then.
//
// Threads: commands start on the main thread; batch bodies run on the slot's worker and reach
// the widgets only through queued calls. The questions are asked on the main thread while the
// worker waits.
class TransferCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferCommands)
public:
    // Makes the selected node's shelf; an app's asks `clash` when a file of the same name is there.
    using Targets = std::function<TransferTarget(AppClashQuestion clash)>;

    // `window` parents the questions; `library` makes the batches' book contexts. The others
    // outlive this object.
    TransferCommands(QWidget *window, TransferSlot &slot, DeviceLibrary &library, BookTable &table,
                     UserInteraction &interaction, Targets targets, QObject *parent);

    // The commands as the window offers them: the panel or the question first.
    void chooseAndImport();
    void chooseAndExportChecked();
    void chooseAndExportHighlighted();
    // The checked user items the table shows, or the highlighted rows' user items.
    void deleteChecked();
    void deleteHighlighted();

    void importBooks(const QStringList &paths);
    void exportChecked(const QString &folder);
    void exportHighlighted(const QString &folder);
    // Asks first; the records are those the user chose (checked or highlighted user items).
    void deleteBooks(const EpubList &candidates);

    // Runs on the worker before an import takes the sync lock, so nothing waits on a person
    // while the device is locked: for each of `paths`, whether the user chose to leave it out
    // because the device has that book already (or an earlier book of the same import brings
    // it). Asked in the order of the paths; "Skip All" skips the later ones unasked. The
    // device's catalogue is read once for all of them.
    std::vector<bool> booksToSkip(const std::vector<std::string> &paths, userDataIphone *device);

Q_SIGNALS:
    // A sentence for the window's message line about how a transfer ended, with a link.
    void message(const QString &text, const QString &linkTitle, const QUrl &target);

private:
    // The records chosen for an export (null: not part of it) and how its progress counts
    // them: against `count`, from one when `fromOne`, else by their place in `records`.
    void exportBooks(const QString &folder, EpubList records, int count, bool fromOne);
    // The device's replace question, with a third way: keep both files.
    AppNameClash askClash(const std::string &relative);
    void offerExportFolder(const QString &folder, int exported);

    QWidget *m_window;
    TransferSlot &m_slot;
    DeviceLibrary &m_library;
    BookTable &m_table;
    UserInteraction &m_interaction;
    Targets m_targets;
};
