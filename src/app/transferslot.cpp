// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/transferslot.h"

#include "app/shorttext.h"
#include "app/userinteraction.h"
#include "core/mainqueue.h"
#include "operations/bookbatch.h"
#include "ui_failedwindow.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <future>

namespace {
// The pause before a batch lets the panel's or the question's sheet close before the progress
// sheet takes its place.
constexpr unsigned int kSheetSwapSeconds = 1;
constexpr qsizetype kFailureChars = 1000;
} // namespace

TransferSlot::TransferSlot(QWidget *window, ProgressSheet &sheet, UserInteraction &interaction, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_sheet(sheet)
    , m_interaction(interaction)
    , m_failedWindow(new QDialog(window))
    , m_failedUi(std::make_unique<Ui::FailedWindow>())
    , m_alive(std::make_shared<std::atomic_bool>(true))
{
    m_failedUi->setupUi(m_failedWindow);
    m_failedWindow->setWindowModality(Qt::WindowModal);
    connect(m_failedUi->closeFailedButton, &QPushButton::clicked, this, &TransferSlot::closeFailedWindow);
    // Reported on the worker: the sheet changes on the main thread, in the order of the reports.
    connect(this, &TransferSlot::progressed, &m_sheet, &ProgressSheet::step);
}

TransferSlot::~TransferSlot()
{
    closeDown();
}

void TransferSlot::closeDown()
{
    *m_alive = false;
    stop();
    joinWorker();
}

void TransferSlot::onMainThread(std::function<void()> work)
{
    auto alive = m_alive;
    performOnMainThread([alive, work = std::move(work)] {
        if (*alive)
            work();
    });
}

// The flag set here, on the main thread, keeps a second transfer from starting until
// finish(), including in the pause before the progress sheet appears.
bool TransferSlot::start(TransferEnd::Kind kind)
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

void TransferSlot::prepare(BookBatch &batch, std::shared_ptr<DeviceSession> session)
{
    batch.session = std::move(session);
    batch.pauseSeconds = kSheetSwapSeconds;
    batch.continueFlag = &m_goOn;
    batch.goOnFlag = &m_copyGoOn;
    batch.onStarted = [this] { onMainThread([this] { m_sheet.show(); }); };
}

void TransferSlot::runWorker(std::function<void()> body)
{
    m_workerDone = std::make_shared<std::atomic_bool>(false);
    m_worker = std::thread([done = m_workerDone, body = std::move(body)] {
        body();
        *done = true;
    });
}

bool TransferSlot::joinWorkerWithin(std::chrono::milliseconds limit)
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

void TransferSlot::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void TransferSlot::finish(const BookFailureList &failures, const QString &heading)
{
    m_sheet.hide();
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

void TransferSlot::cancel()
{
    if (m_restoreRunning)
        return; // a catalogue upload is not stopped halfway
    m_goOn = false;
    m_end.stopped = true;
    m_sheet.showStopping();
}

// The batch may end its books on more than one thread.
void TransferSlot::bookEnded(const BookOperationResult &result, const TransferProgress &progress)
{
    const int add = result.done() ? 1 : 0;
    int seen = m_doneBooks.load();
    while (!m_doneBooks.compare_exchange_weak(seen, std::max(seen, 0) + add)) {
    }
    report(progress);
}

// The books a transfer could not move, listed once at its end.
void TransferSlot::showFailures(const BookFailureList &failures)
{
    fillFailedWindow(failures);
    m_failedWindow->exec();
    m_failedWindow->hide();
}

void TransferSlot::fillFailedWindow(const BookFailureList &failures)
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

void TransferSlot::closeFailedWindow()
{
    m_failedWindow->done(0);
}

bool TransferSlot::askOnMainThread(const std::string &message)
{
    // An export asks "<target> is existing. Are you sure to replace?" in English, as the
    // operations write it for every caller; the window asks it in the user's language.
    static const std::string kReplaceQuestion = " is existing. Are you sure to replace?";
    QString question = QString::fromStdString(message);
    if (message.size() > kReplaceQuestion.size() && message.ends_with(kReplaceQuestion))
        question = tr("%1 is existing. Are you sure to replace?")
                       .arg(QString::fromStdString(message.substr(0, message.size() - kReplaceQuestion.size())));
    return askAndWait(tr("Warning"), question, {tr("NO"), tr("YES")}) == AlertFirstButtonReturn + 1;
}

int TransferSlot::askAndWait(const QString &title, const QString &message, const QStringList &buttons)
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
