// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The commands on a selected app's books: Add Books and drops, export, delete. Each runs on the
// transfer worker behind the progress sheet, on one connection to the app's files.
#include "app/appshelf.h"

#include "app/progresssheet.h"
#include "app/userinteraction.h"
#include "device/connection/loadiphone.h"
#include "operations/bookbatch.h"
#include "operations/bookshelf.h"
#include "operations/devicelibrary.h"
#include "operations/ipodtreelistcontroler.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

void AppShelf::runCommand(const AppShelfNode &app, std::weak_ptr<TreeNode> node, std::size_t count,
                          const QString &heading, AppClashQuestion clash, ShelfItem item,
                          std::function<void(const std::vector<BookOperationResult> &)> after)
{
    std::shared_ptr<DeviceSession> session = m_context.openSession ? m_context.openSession() : nullptr;
    auto shelf = std::make_shared<DocumentsShelf>(app.app().identifier, app.app().displayName, std::move(clash));
    m_context.slot.runWorker([this, shelf, node, count, heading, item, after, session]() mutable {
        BookBatch batch;
        batch.session = std::move(session);
        batch.shelf = shelf.get();
        batch.aheadBooks = 0; // an app's books are one file each, written on lanes of their own
        batch.continueFlag = m_context.slot.goOn;
        batch.goOnFlag = m_context.slot.copyGoOn;
        // The question's sheet closes before the progress sheet takes its place.
        batch.pauseSeconds = 1;
        batch.onStarted = [this] { onMain([this] { m_context.sheet->show(); }); };
        const std::vector<BookBatch::ItemResult> done = batch.runOverlapped(
            m_context.controller->library(), count, [&](std::size_t i, BookContext &context) { return item(*shelf, context, i); });
        // The app's connections go with the batch, on the worker.
        shelf.reset();
        const BookFailureList failures = BookBatch::failures(done);
        std::vector<BookOperationResult> results;
        for (const BookBatch::ItemResult &one : done)
            results.push_back(one.result);
        onMain([this, node, failures, heading, results, after] {
            m_context.sheet->hide();
            if (after)
                after(results);
            if (auto shared = node.lock())
                if (auto *app = dynamic_cast<AppShelfNode *>(shared.get()); app && stillShown(app))
                    refresh(app);
            m_context.slot.finish(failures, heading);
        });
    });
}

void AppShelf::importBooks(const QStringList &paths)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    std::vector<std::string> files;
    for (const QString &path : paths)
        files.push_back(path.toStdString());
    std::weak_ptr<TreeNode> weak =
        node->nodeParent()->childAtIndex(node->nodeParent()->indexOfChildIdenticalTo(node));
    const Context::Slot &slot = m_context.slot;
    // The device's own replace question, with a third way: keep both files.
    auto clash = [&slot](const std::string &relative) {
        const int answer = slot.askAndWait(
            tr("Warning"),
            tr("%1 is existing. Are you sure to replace?").arg(QString::fromStdString(relative)),
            {tr("NO"), tr("YES"), tr("Keep Both")});
        if (answer == AlertFirstButtonReturn + 1)
            return AppNameClash::Replace;
        if (answer == AlertFirstButtonReturn + 2)
            return AppNameClash::KeepBoth;
        return AppNameClash::Skip;
    };
    const std::size_t count = files.size();
    runCommand(*node, weak, count, {}, clash,
               [files, &slot, count](DocumentsShelf &shelf, BookContext &context, std::size_t i) {
                   slot.report(tr("Copying to: %1").arg(QString::fromStdString(appImportItem(files[i]))).toStdString(), static_cast<int>(i), static_cast<int>(count));
                   return shelf.startImport(context, files[i]);
               },
               {});
}

void AppShelf::exportBooks(const EpubList &records, const QString &folder)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    const std::string target = folder.toStdString();
    const Context::Slot &slot = m_context.slot;
    const std::size_t count = records.size();
    runCommand(
        *node, {}, count, {}, {},
        [records, target, &slot, count](DocumentsShelf &shelf, BookContext &context, std::size_t i) {
            slot.report(tr("Copying to: %1").arg(QString::fromStdString(target)).toStdString(), static_cast<int>(i), static_cast<int>(count));
            return shelf.startExport(context, *records[i], target);
        },
        [this, folder](const std::vector<BookOperationResult> &results) {
            const auto exported = std::count_if(results.begin(), results.end(),
                                                [](const BookOperationResult &r) { return r.done(); });
            if (exported <= 0)
                return;
            const QString text =
                exported == 1 ? tr("1 book was exported to %1.").arg(folder)
                              : tr("%1 books were exported to %2.").arg(QString::number(exported), folder);
            Q_EMIT message(text, tr("Open Folder"), QUrl::fromLocalFile(folder));
        });
}

void AppShelf::deleteBooks(const EpubList &records)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    std::weak_ptr<TreeNode> weak =
        node->nodeParent()->childAtIndex(node->nodeParent()->indexOfChildIdenticalTo(node));
    const Context::Slot &slot = m_context.slot;
    const std::size_t count = records.size();
    runCommand(*node, weak, count, tr("These books could not be deleted:"), {},
               [records, &slot, count](DocumentsShelf &shelf, BookContext &, std::size_t i) {
                   const epub &book = *records[i];
                   slot.report(tr("Deleting: %1").arg(QString::fromStdString(DocumentsShelf::relativeOf(book))).toStdString(), static_cast<int>(i),
                               static_cast<int>(count));
                   return inTurnOnly([&shelf, book](BookContext &c) { return shelf.removeBook(c, book); });
               },
               {});
}
