// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/transfercommands.h"

#include "app/appglobals.h"
#include "app/booktable.h"
#include "app/userinteraction.h"
#include "operations/bookbatch.h"
#include "operations/bookimport.h"
#include "operations/bookshelf.h"
#include "operations/devicelibrary.h"

#include <algorithm>
#include <filesystem>

TransferCommands::TransferCommands(QWidget *window, TransferSlot &slot, DeviceLibrary &library,
                                   BookTable &table, UserInteraction &interaction, Targets targets, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_slot(slot)
    , m_library(library)
    , m_table(table)
    , m_interaction(interaction)
    , m_targets(std::move(targets))
{
}

// The flag is set before the panel opens and cleared again if it is cancelled.
void TransferCommands::chooseAndImport()
{
    m_slot.setGoingOn(true);
    importBooks(m_interaction.chooseImportPaths(m_window));
}

void TransferCommands::chooseAndExportChecked()
{
    m_slot.setGoingOn(true);
    exportChecked(m_interaction.chooseExportFolder(m_window));
}

void TransferCommands::chooseAndExportHighlighted()
{
    m_slot.setGoingOn(true);
    exportHighlighted(m_interaction.chooseExportFolder(m_window));
}

void TransferCommands::deleteChecked()
{
    if (m_slot.isRunning())
        return;
    EpubList candidates;
    for (const auto &record : *medias) {
        if (record && record->isuserItem() && m_table.checkedAndShown(*record))
            candidates.push_back(record);
    }
    deleteBooks(candidates);
}

void TransferCommands::deleteHighlighted()
{
    if (m_slot.isRunning())
        return;
    EpubList candidates;
    for (int row : m_table.highlightedRows()) {
        if (row >= 0 && row < static_cast<int>(medias->size()) && (*medias)[row] && (*medias)[row]->isuserItem())
            candidates.push_back((*medias)[row]);
    }
    deleteBooks(candidates);
}

AppNameClash TransferCommands::askClash(const std::string &relative)
{
    const int answer = m_slot.askAndWait(
        tr("Warning"), tr("%1 is existing. Are you sure to replace?").arg(QString::fromStdString(relative)),
        {tr("NO"), tr("YES"), tr("Keep Both")});
    if (answer == AlertFirstButtonReturn + 1)
        return AppNameClash::Replace;
    if (answer == AlertFirstButtonReturn + 2)
        return AppNameClash::KeepBoth;
    return AppNameClash::Skip;
}

void TransferCommands::importBooks(const QStringList &chosen)
{
    if (chosen.isEmpty() || !m_slot.start(TransferEnd::Kind::Import)) {
        m_slot.setGoingOn(false);
        return;
    }
    m_slot.setGoingOn(true);
    std::vector<std::string> paths;
    for (const QString &path : chosen)
        paths.push_back(path.toStdString());
    TransferTarget target = m_targets([this](const std::string &relative) { return askClash(relative); });

    m_slot.runWorker([this, paths, target = std::move(target)]() mutable {
        // threadSelectedLoadEPUBToDeviceDidEnd
        BookBatch batch;
        m_slot.prepare(batch, target.session);
        batch.shelf = target.shelf.get();
        batch.syncLock = true;
        const int count = static_cast<int>(paths.size());
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            m_slot.bookEnded(result, {TransferProgress::Step::Copying, paths[i], static_cast<int>(i), count});
        };
        std::vector<bool> skipped(paths.size(), false);
        if (target.asksDuplicates)
            batch.beforeLock = [&](userDataIphone *device) { skipped = booksToSkip(paths, device); };
        const BookFailureList failures = BookBatch::failures(
            batch.runOverlapped(m_library, paths.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                if (skipped[i])
                    return BookOperationResult::makeSkipped(std::filesystem::path(paths[i]).filename().string(),
                                                            "already on the device");
                return target.shelf->startImport(context, paths[i]);
            }));
        batch.session.reset();
        target.shelf.reset(); // an app's connections go with the batch, on the worker // an app's connections go with the batch, on the worker
        m_slot.onMainThread([this, failures, changed = target.changed, session = std::move(target.session)]() mutable {
            changed(TransferEnd::Kind::Import);
            m_slot.finish(failures);
            session.reset(); // a device that arrived meanwhile is surveyed now
        });
    });
}

void TransferCommands::exportChecked(const QString &folder)
{
    // The records and their marks as they stand now; the table may change under the sheet.
    // A book the filter hides is left out, checked or not.
    EpubList records = *medias;
    for (auto &record : records) {
        if (record && !m_table.checkedAndShown(*record))
            record = nullptr;
    }
    // Reported against the whole list, unchecked rows included.
    const int count = static_cast<int>(records.size());
    exportBooks(folder, std::move(records), count, false);
}

void TransferCommands::exportHighlighted(const QString &folder)
{
    // The highlighted rows are taken once, here on the main thread.
    const std::vector<int> rows = m_table.highlightedRows();
    EpubList records;
    for (int row : rows) {
        if (row >= 0 && row < static_cast<int>(medias->size()))
            records.push_back((*medias)[static_cast<size_t>(row)]);
    }
    // Counted from one, against the highlighted rows.
    exportBooks(folder, std::move(records), static_cast<int>(rows.size()), true);
}

void TransferCommands::exportBooks(const QString &folder, EpubList records, int count, bool fromOne)
{
    if (folder.isEmpty() || !m_slot.start(TransferEnd::Kind::Export)) {
        m_slot.setGoingOn(false);
        return;
    }
    m_slot.setGoingOn(true);
    m_slot.end().folder = folder;
    const std::string dstpath = folder.toStdString();
    TransferTarget target = m_targets({});

    m_slot.runWorker([this, records, count, fromOne, dstpath, target = std::move(target)]() mutable {
        // threadLoadMediaIpodToPcDidEnd, threadSelectedLoadMediaIpodToPcDidEnd and copyMediaipodToPc_v
        BookBatch batch;
        m_slot.prepare(batch, target.session);
        batch.shelf = target.shelf.get();
        int k = 1;
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            m_slot.bookEnded(result, {TransferProgress::Step::Copying, dstpath, fromOne ? k++ : static_cast<int>(i), count});
        };
        const std::vector<BookBatch::ItemResult> results =
            batch.runOverlapped(m_library, records.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                if (!records[i])
                    return {};
                return target.shelf->startExport(context, *records[i], dstpath);
            });
        batch.session.reset();
        target.shelf.reset(); // an app's connections go with the batch, on the worker
        const auto exported = std::count_if(results.begin(), results.end(),
                                            [](const BookBatch::ItemResult &r) { return r.result.done(); });
        // On the main thread: the sheet goes, failures are shown, the session is given back
        // there, and the folder the books went to is offered.
        m_slot.onMainThread([this, failures = BookBatch::failures(results), exported, dstpath,
                             session = std::move(target.session)]() mutable {
            m_slot.finish(failures);
            session.reset();
            offerExportFolder(QString::fromStdString(dstpath), static_cast<int>(exported));
        });
    });
}

// The end of an export that wrote books: where they went, and a way to see them, on the
// window's message line. The replace question stays an export's only question.
void TransferCommands::offerExportFolder(const QString &folder, int exported)
{
    if (exported <= 0)
        return;
    const QString text = exported == 1
                             ? tr("1 book was exported to %1.").arg(folder)
                             : tr("%1 books were exported to %2.").arg(QString::number(exported), folder);
    Q_EMIT message(text, tr("Open Folder"), QUrl::fromLocalFile(folder));
}

void TransferCommands::deleteBooks(const EpubList &candidates)
{
    const int answer = m_interaction.ask(m_window, tr("Information"), tr("Are you sure, delete the item?"),
                                         {tr("NO"), tr("YES")});
    // "YES" takes and gives back the sync lock even with nothing to delete: the device sees
    // the same announcements for every deletion the user confirmed.
    if (answer == AlertFirstButtonReturn || !m_slot.start(TransferEnd::Kind::Delete))
        return;
    m_slot.setGoingOn(true);
    TransferTarget target = m_targets({});

    // Like the transfers: the device may keep the sync lock for a while, and the window must
    // stay responsive (and the deletion cancellable) meanwhile.
    m_slot.runWorker([this, candidates, target = std::move(target)]() mutable {
        BookBatch batch;
        m_slot.prepare(batch, target.session);
        batch.shelf = target.shelf.get();
        batch.syncLock = true;
        const int count = static_cast<int>(candidates.size());
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            m_slot.bookEnded(result, {TransferProgress::Step::Deleting, result.item, static_cast<int>(i), count});
        };
        const std::vector<BookBatch::ItemResult> results =
            batch.run(m_library, candidates.size(), [&](std::size_t i, BookContext &context) {
                return target.shelf->removeBook(context, *candidates[i]);
            });
        EpubList deleted;
        for (const BookBatch::ItemResult &r : results) {
            if (r.result.done())
                deleted.push_back(candidates[r.index]);
        }
        batch.session.reset();
        target.shelf.reset(); // an app's connections go with the batch, on the worker
        m_slot.onMainThread([this, deleted, failures = BookBatch::failures(results), changed = target.changed,
                             session = std::move(target.session)]() mutable {
            // The table loses the rows only after the lock is given back.
            m_table.removeRecords(deleted);
            changed(TransferEnd::Kind::Delete);
            m_slot.finish(failures, tr("These books could not be deleted:"));
            session.reset();
        });
    });
}

std::vector<bool> TransferCommands::booksToSkip(const std::vector<std::string> &paths, userDataIphone *device)
{
    std::vector<bool> skip(paths.size(), false);
    const std::vector<BatchDuplicate> found = findBatchDuplicates(device, paths);
    bool skipAll = false;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::optional<CatalogueDuplicate> duplicate = found[i].onDevice;
        // An earlier book of this import brings it too, unless the user left that one out.
        if (!duplicate && std::any_of(found[i].earlier.begin(), found[i].earlier.end(),
                                      [&skip](std::size_t k) { return !skip[k]; }))
            duplicate = CatalogueDuplicate{found[i].title, {}};
        if (!duplicate)
            continue;
        if (skipAll) {
            skip[i] = true;
            continue;
        }
        const QString message = tr("\"%1\" (%2) is already on the device. Add it again?")
                                    .arg(QString::fromStdString(duplicate->name),
                                         QString::fromStdString(std::filesystem::path(paths[i]).filename().string()));
        const int answer = m_slot.askAndWait(tr("Information"), message, {tr("Skip"), tr("Add Again"), tr("Skip All")});
        skipAll = answer == AlertFirstButtonReturn + 2;
        skip[i] = answer != AlertFirstButtonReturn + 1;
    }
    return skip;
}
