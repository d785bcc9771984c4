// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/transfercommands.h"

#include "app/appglobals.h"
#include "app/booktable.h"
#include "app/progresssheet.h"
#include "app/shorttext.h"
#include "app/userinteraction.h"
#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "device/connection/userdataiphone.h"
#include "library/catalogue.h"
#include "operations/bookbatch.h"
#include "operations/bookimport.h"
#include "operations/devicecatalogue.h"
#include "operations/devicelibrary.h"
#include "operations/ipodtreelistcontroler.h"
#include "ui_failedwindow.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>

namespace {
// The pause before a batch lets the panel's or the question's sheet close before the progress
// sheet takes its place.
constexpr unsigned int kSheetSwapSeconds = 1;
constexpr qsizetype kFailureChars = 1000;

int exportedCount(const std::vector<BookBatch::ItemResult> &results)
{
    return static_cast<int>(std::count_if(results.begin(), results.end(),
                                          [](const BookBatch::ItemResult &r) { return r.result.done(); }));
}
} // namespace

TransferCommands::TransferCommands(QWidget *window, iPodTreeListControler &devices, BookTable &table,
                                   ProgressSheet &sheet, UserInteraction &interaction, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_devices(devices)
    , m_table(table)
    , m_sheet(sheet)
    , m_interaction(interaction)
    , m_failedWindow(new QDialog(window))
    , m_failedUi(std::make_unique<Ui::FailedWindow>())
    , m_alive(std::make_shared<std::atomic_bool>(true))
{
    m_failedUi->setupUi(m_failedWindow);
    m_failedWindow->setWindowModality(Qt::WindowModal);
    connect(m_failedUi->closeFailedButton, &QPushButton::clicked, this, &TransferCommands::closeFailedWindow);
}

TransferCommands::~TransferCommands()
{
    closeDown();
}

void TransferCommands::closeDown()
{
    *m_alive = false;
    stop();
    joinWorker();
}

void TransferCommands::onMainThread(std::function<void()> work)
{
    auto alive = m_alive;
    performOnMainThread([alive, work = std::move(work)] {
        if (*alive)
            work();
    });
}

// The flag set here, on the main thread, keeps a second transfer from starting until
// finish(), including in the pause before the progress sheet appears.
bool TransferCommands::start(TransferEnd::Kind kind)
{
    if (m_running)
        return false;
    joinWorker(); // the previous transfer's thread has finished its work by now
    m_copyGoOn = true;
    m_running = true;
    m_end = {};
    m_end.kind = kind;
    m_doneBooks = -1;
    Q_EMIT runningChanged(true);
    Q_EMIT started();
    return true;
}

BookBatch TransferCommands::sheetBatch(std::shared_ptr<DeviceSession> session, bool syncLock)
{
    BookBatch batch;
    batch.session = std::move(session);
    batch.pauseSeconds = kSheetSwapSeconds;
    batch.syncLock = syncLock;
    batch.continueFlag = &m_goOn;
    batch.goOnFlag = &m_copyGoOn;
    batch.onStarted = [this] { onMainThread([this] { m_sheet.show(); }); };
    return batch;
}

void TransferCommands::runWorker(std::function<void()> body)
{
    m_workerDone = std::make_shared<std::atomic_bool>(false);
    m_worker = std::thread([done = m_workerDone, body = std::move(body)] {
        body();
        *done = true;
    });
}

bool TransferCommands::joinWorkerWithin(std::chrono::milliseconds limit)
{
    if (!m_worker.joinable())
        return true;
    // The main events go on meanwhile: the worker may be waiting for one of them.
    auto done = m_workerDone;
    if (!processMainEventsUntil([done] { return done->load(); }, limit))
        return false;
    // The worker's own end, run meanwhile, may have joined it already.
    if (m_worker.joinable())
        m_worker.join();
    return true;
}

void TransferCommands::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void TransferCommands::finish(const BookFailureList &failures, const QString &heading)
{
    joinWorker();
    m_running = false;
    m_goOn = false;
    Q_EMIT runningChanged(false);
    m_end.failed = static_cast<int>(failures.size());
    m_end.done = m_doneBooks;
    Q_EMIT ended(m_end);
    if (failures.empty())
        return;
    QLabel *title = m_failedUi->failedTitle;
    const QString usual = title->text();
    if (!heading.isEmpty())
        title->setText(heading);
    showFailures(failures);
    title->setText(usual);
}

// The flag is set before the panel opens and cleared again if it is cancelled.
void TransferCommands::chooseAndImport()
{
    m_goOn = true;
    importBooks(m_interaction.chooseImportPaths(m_window));
}

void TransferCommands::chooseAndExportChecked()
{
    m_goOn = true;
    exportChecked(m_interaction.chooseExportFolder(m_window));
}

void TransferCommands::chooseAndExportHighlighted()
{
    m_goOn = true;
    exportHighlighted(m_interaction.chooseExportFolder(m_window));
}

void TransferCommands::deleteChecked()
{
    if (m_running)
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
    if (m_running)
        return;
    EpubList candidates;
    for (int row : m_table.highlightedRows()) {
        if (row >= 0 && row < static_cast<int>(medias->size()) && (*medias)[row] && (*medias)[row]->isuserItem())
            candidates.push_back((*medias)[row]);
    }
    deleteBooks(candidates);
}

void TransferCommands::importBooks(const QStringList &chosen)
{
    if (chosen.isEmpty() || !start(TransferEnd::Kind::Import)) {
        m_goOn = false;
        return;
    }
    m_goOn = true;
    if (selectedApp()) {
        m_apps->importBooks(chosen);
        return;
    }
    std::vector<std::string> paths;
    for (const QString &path : chosen)
        paths.push_back(path.toStdString());

    runWorker([this, paths, session = m_devices.library().openSession()]() mutable {
        // threadSelectedLoadEPUBToDeviceDidEnd
        BookBatch batch = sheetBatch(session, true);
        const int count = static_cast<int>(paths.size());
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            countEnded(result);
            report(tr("Copying to: %1").arg(QString::fromStdString(paths[i])).toStdString(), static_cast<int>(i), count);
        };
        std::vector<bool> skipped(paths.size(), false);
        batch.beforeLock = [&](userDataIphone *device) { skipped = booksToSkip(paths, device); };
        const BookFailureList failures = BookBatch::failures(
            batch.runOverlapped(m_devices.library(), paths.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                if (skipped[i])
                    return BookOperationResult::makeSkipped(std::filesystem::path(paths[i]).filename().string(),
                                                            "already on the device");
                return m_devices.library().books().startImport(context, paths[i]);
            }));
        batch.session.reset();
        onMainThread([this, failures, session = std::move(session)]() mutable {
            m_sheet.hide();
            // Books dropped while another list was shown went to "Custom Books": the window
            // shows that list next, read afresh, so the user sees where they went.
            iPodTreeListControler &devices = m_devices;
            if (devices.isSelectepubnodecanadd() || !devices.selectCustomBooks())
                Q_EMIT listsChanged();
            finish(failures);
            session.reset(); // a device that arrived meanwhile is surveyed now
        });
    });
}

void TransferCommands::exportChecked(const QString &folder)
{
    if (folder.isEmpty() || !start(TransferEnd::Kind::Export)) {
        m_goOn = false;
        return;
    }
    m_end.folder = folder;
    // The records and their marks as they stand now; the table may change under the sheet.
    // A book the filter hides is left out, checked or not.
    const EpubList records = *medias;
    std::vector<bool> checked;
    for (const auto &record : records)
        checked.push_back(record && m_table.checkedAndShown(*record));
    if (selectedApp()) {
        m_goOn = true;
        EpubList chosen;
        for (std::size_t i = 0; i < records.size(); ++i)
            if (checked[i])
                chosen.push_back(records[i]);
        m_apps->exportBooks(chosen, folder);
        return;
    }
    const std::string dstpath = folder.toStdString();

    runWorker([this, records, checked, dstpath, session = m_devices.library().openSession()]() mutable {
        // threadLoadMediaIpodToPcDidEnd
        BookBatch batch = sheetBatch(session, false);
        // Reported against the whole list, unchecked rows included.
        const int count = static_cast<int>(records.size());
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            countEnded(result);
            report(tr("Copying to: %1").arg(QString::fromStdString(dstpath)).toStdString(), static_cast<int>(i), count);
        };
        const std::vector<BookBatch::ItemResult> results = batch.runOverlapped(
            m_devices.library(), records.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                const auto &record = records[i];
                if (!record || !checked[i])
                    return {};
                return m_devices.library().books().startExport(context, *record, dstpath);
            });
        const BookFailureList failures = BookBatch::failures(results);
        batch.session.reset();
        m_goOn = false;
        endExport(failures, exportedCount(results), dstpath, std::move(session));
    });
}

void TransferCommands::exportHighlighted(const QString &folder)
{
    if (folder.isEmpty() || !start(TransferEnd::Kind::Export)) {
        m_goOn = false;
        return;
    }
    m_end.folder = folder;
    // The highlighted rows are taken once, here on the main thread.
    const std::vector<int> rows = m_table.highlightedRows();
    EpubList records;
    for (int row : rows) {
        if (row >= 0 && row < static_cast<int>(medias->size()))
            records.push_back((*medias)[static_cast<size_t>(row)]);
    }
    const int highlighted = static_cast<int>(rows.size());
    const std::string dstpath = folder.toStdString();
    if (selectedApp()) {
        m_goOn = true;
        m_apps->exportBooks(records, folder);
        return;
    }

    runWorker([this, records, highlighted, dstpath, session = m_devices.library().openSession()]() mutable {
        // threadSelectedLoadMediaIpodToPcDidEnd and copyMediaipodToPc_v
        BookBatch batch = sheetBatch(session, false);
        // Counted from one, against the highlighted rows.
        int k = 1;
        batch.onItemDone = [&](std::size_t, const BookOperationResult &result) {
            countEnded(result);
            report(tr("Copying to: %1").arg(QString::fromStdString(dstpath)).toStdString(), k++, highlighted);
        };
        const std::vector<BookBatch::ItemResult> results = batch.runOverlapped(
            m_devices.library(), records.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                const auto &record = records[i];
                if (!record)
                    return {};
                return m_devices.library().books().startExport(context, *record, dstpath);
            });
        const BookFailureList failures = BookBatch::failures(results);
        batch.session.reset();
        endExport(failures, exportedCount(results), dstpath, std::move(session));
    });
}

// On the main thread: the sheet goes, failures are shown, the session is given back there,
// and the folder the books went to is offered.
void TransferCommands::endExport(const BookFailureList &failures, int exported, const std::string &dstpath,
                                 std::shared_ptr<DeviceSession> session)
{
    onMainThread([this, failures, exported, dstpath, session = std::move(session)]() mutable {
        m_sheet.hide();
        finish(failures);
        session.reset();
        offerExportFolder(QString::fromStdString(dstpath), exported);
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
    const int answer = m_interaction.ask(m_window, tr("Information"),
                                                   tr("Are you sure, delete the item?"),
                                                   {tr("NO"), tr("YES")});
    // "YES" takes and gives back the sync lock even with nothing to delete: the device sees
    // the same announcements for every deletion the user confirmed.
    if (answer == AlertFirstButtonReturn || !start(TransferEnd::Kind::Delete))
        return;
    m_goOn = true;
    if (selectedApp()) {
        m_apps->deleteBooks(candidates); // an app has no sync lock to announce
        return;
    }

    // Like the transfers: the device may keep the sync lock for a while, and the window must
    // stay responsive (and the deletion cancellable) meanwhile.
    runWorker([this, candidates, session = m_devices.library().openSession()]() mutable {
        BookBatch batch = sheetBatch(session, true);
        const int count = static_cast<int>(candidates.size());
        batch.onItemDone = [&](std::size_t i, const BookOperationResult &result) {
            countEnded(result);
            report(tr("Deleting: %1").arg(QString::fromStdString(result.item)).toStdString(), static_cast<int>(i), count);
        };
        const std::vector<BookBatch::ItemResult> results = batch.run(
            m_devices.library(), candidates.size(), [&](std::size_t i, BookContext &context) {
                return m_devices.library().books().removeBook(context, *candidates[i]);
            });
        EpubList deleted;
        for (const BookBatch::ItemResult &r : results) {
            if (r.result.done())
                deleted.push_back(candidates[r.index]);
        }
        const BookFailureList failures = BookBatch::failures(results);
        batch.session.reset();
        onMainThread([this, deleted, failures, session = std::move(session)]() mutable {
            m_sheet.hide();
            // The table loses the rows only after the lock is given back.
            m_table.removeRecords(deleted);
            onMainThread([this] { Q_EMIT listsChanged(); });
            finish(failures, tr("These books could not be deleted:"));
            session.reset();
        });
    });
}

AppShelf::Context::Slot TransferCommands::appSlot()
{
    AppShelf::Context::Slot slot;
    slot.runWorker = [this](std::function<void()> body) { runWorker(std::move(body)); };
    slot.goingOn = [this] { return goingOn(); };
    slot.goOn = &m_goOn;
    slot.copyGoOn = &m_copyGoOn;
    slot.report = [this](const std::string &title, int index, int count) { report(title, index, count); };
    slot.askAndWait = [this](const QString &title, const QString &message, const QStringList &buttons) {
        return askAndWait(title, message, buttons);
    };
    slot.askYesNo = [this](const std::string &message) { return askOnMainThread(message); };
    slot.finish = [this](const BookFailureList &failures, const QString &heading) { finish(failures, heading); };
    return slot;
}

void TransferCommands::cancel()
{
    if (m_restoreRunning)
        return; // a catalogue upload is not stopped halfway
    m_goOn = false;
    m_end.stopped = true;
    m_sheet.showStopping();
}

// On the worker, as each of the device's books ends (the batch may end them on more than one
// thread); a reader app's books are not counted.
void TransferCommands::countEnded(const BookOperationResult &result)
{
    const int add = result.done() ? 1 : 0;
    int seen = m_doneBooks.load();
    while (!m_doneBooks.compare_exchange_weak(seen, std::max(seen, 0) + add)) {
    }
}

void TransferCommands::report(const std::string &title, int index, int count)
{
    const int percent = count > 0 ? index * 100 / count : 0;
    StringDictionary info;
    info[progressTitleKeyNotification] = title;
    info[progressKeyNotification] = std::to_string(percent);
    // Announced with the window (this object's parent) as its sender; the window shows it.
    NotificationCenter::defaultCenter().postNotificationName(::progressNotification, parent(), info);
}

// The books a transfer could not move, listed once at its end.
void TransferCommands::showFailures(const BookFailureList &failures)
{
    fillFailedWindow(failures);
    m_failedWindow->exec();
    m_failedWindow->hide();
}

void TransferCommands::fillFailedWindow(const BookFailureList &failures)
{
    m_lastFailures = failures;
    QListWidget *list = m_failedUi->failedList;
    list->clear();
    for (const BookFailure &failure : failures) {
        // A book's name or a reason may be of any length; a line of the list shows a part.
        list->addItem(QStringLiteral("%1 — %2").arg(shownText(failure.item, kFailureChars),
                                                       shownText(failure.reason, kFailureChars)));
    }
}

void TransferCommands::closeFailedWindow()
{
    m_failedWindow->done(0);
}

bool TransferCommands::askOnMainThread(const std::string &message)
{
    // An export asks "<target> is existing. Are you sure to replace?" in English, as the
    // operations write it for every caller; the window asks it in the user's language.
    static const std::string kReplaceQuestion = " is existing. Are you sure to replace?";
    QString question = QString::fromStdString(message);
    if (message.size() > kReplaceQuestion.size() && message.ends_with(kReplaceQuestion))
        question = tr("%1 is existing. Are you sure to replace?")
                       .arg(QString::fromStdString(message.substr(0, message.size() - kReplaceQuestion.size())));
    return askAndWait(tr("Warning"), question, {tr("NO"), tr("YES")})
           == AlertFirstButtonReturn + 1;
}

int TransferCommands::askAndWait(const QString &title, const QString &message, const QStringList &buttons)
{
    // The worker waits for the answer; a window that goes away answers with the first button.
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> result = answer->get_future();
    auto alive = m_alive;
    performOnMainThread([this, alive, answer, title, message, buttons] {
        if (!*alive) {
            answer->set_value(AlertFirstButtonReturn);
            return;
        }
        QWidget *parent = m_sheet.dialog()->isVisible() ? m_sheet.dialog() : m_window;
        answer->set_value(m_interaction.ask(parent, title, message, buttons));
    });
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!*alive)
            return AlertFirstButtonReturn;
    }
    return result.get();
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
        const int answer = askAndWait(tr("Information"), message, {tr("Skip"), tr("Add Again"), tr("Skip All")});
        skipAll = answer == AlertFirstButtonReturn + 2;
        skip[i] = answer != AlertFirstButtonReturn + 1;
    }
    return skip;
}
