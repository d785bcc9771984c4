// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/progresssheet.h"
#include "operations/bookoperationresult.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class BookBatch;
class BookShelf;
class DeviceSession;
class QDialog;
class QWidget;
class UserInteraction;
namespace Ui {
class FailedWindow;
}

// How a transfer ended, for those who tell the user outside the window.
struct TransferEnd
{
    enum class Kind { Other, Import, Export, Delete, Restore };
    Kind kind = Kind::Other;
    int done = -1; // books the transfer did; -1 when it was not counted
    int failed = 0;
    bool stopped = false; // Cancel was pressed
    QString folder;       // where an export went
};

// What a command acts on: the selected node's shelf, made for the one command.
struct TransferTarget
{
    std::shared_ptr<BookShelf> shelf;
    // Opened where the command is decided, on the main thread, so that nothing is surveyed
    // between the choice of books and the batch; given back after the command's end.
    std::shared_ptr<DeviceSession> session;
    // An import asks first about the books the device's catalogue holds already.
    bool asksDuplicates = false;
    // On the main thread, after books were added (Import) or removed (Delete): the list that
    // shows them is shown again.
    std::function<void(TransferEnd::Kind kind)> changed;
};

// The window's one transfer slot: a single worker thread behind the progress sheet, the
// go-on flags, the questions asked on the main thread while the worker waits, and the failure
// window, which this object builds and owns. The book transfers and the catalogue restore
// each hold it from their start to their finish(), one at a time.
//
// The go-on flags live here and only here. The one between books is set as a command starts
// and cleared by Cancel, by stop() and at each command's end: the batches start no further
// book once it is clear, and the book under way ends as it would have. The one inside a book
// is cleared only by stop() (the window closing) and set again as the next transfer starts:
// the batch hands it to the copy, which stops between its files.
//
// Threads: start, finish and the failure window on the main thread; the worker's body, its
// reports and its questions on the worker.
class TransferSlot final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferSlot)
public:
    // `window` parents the failure window and the questions; the others outlive this object.
    TransferSlot(QWidget *window, ProgressSheet &sheet, UserInteraction &interaction, QObject *parent);
    ~TransferSlot() override;

    // False when a transfer already holds the slot.
    bool start(TransferEnd::Kind kind = TransferEnd::Kind::Other);
    void runWorker(std::function<void()> body);
    // On the main thread: the sheet goes, the slot is given back and the failures are listed,
    // under `heading` when one is given.
    void finish(const BookFailureList &failures, const QString &heading = {});
    void joinWorker();
    // Waits at most `limit` for the worker's body to end; true when it has (and is joined).
    bool joinWorkerWithin(std::chrono::milliseconds limit);
    // The window goes: queued work is dropped, a waiting question is answered "no", the batch
    // stops and the worker is joined.
    void closeDown();
    bool isRunning() const { return m_running; }
    bool isRestoreRunning() const { return m_restoreRunning; }
    void setRestoreRunning(bool running) { m_restoreRunning = running; }
    TransferEnd &end() { return m_end; }
    ProgressSheet &sheet() { return m_sheet; }

    // The sheet's Cancel: the batch stops after its current book and the sheet says so.
    void cancel();
    // Stops at once: no further book, and the book being copied stops between its files.
    // Clears the go-on flags and nothing else. Any thread.
    void stop()
    {
        m_goOn = false;
        m_copyGoOn = false;
    }
    bool goingOn() const { return m_goOn; }
    void setGoingOn(bool on) { m_goOn = on; }

    // A batch in the slot: on `session`, after the sheet's pause, shown once it starts, stopped
    // after its current book by Cancel and inside it by stop().
    void prepare(BookBatch &batch, std::shared_ptr<DeviceSession> session);
    // On the worker, as each book ends: counts it and reports how far the transfer is.
    void bookEnded(const BookOperationResult &result, const TransferProgress &progress);
    // Any thread: one progress report (the sheet follows it on the main thread).
    void report(const TransferProgress &progress) { Q_EMIT progressed(progress); }
    // Queues `work` for the main thread, dropped if this object has gone by then.
    void onMainThread(std::function<void()> work);

    void showFailures(const BookFailureList &failures);
    void fillFailedWindow(const BookFailureList &failures);
    void closeFailedWindow();
    QDialog *failureWindow() const { return m_failedWindow; }
    const BookFailureList &lastFailures() const { return m_lastFailures; }

    bool askOnMainThread(const std::string &message);
    // Runs on the worker: asks on the main thread and waits; the answer code of `ask`.
    int askAndWait(const QString &title, const QString &message, const QStringList &buttons);

Q_SIGNALS:
    // A transfer took the slot.
    void started();
    // The slot was taken or given back.
    void runningChanged(bool running);
    // A transfer gave the slot back (after runningChanged(false)).
    void ended(const TransferEnd &end);
    // How far the transfer is; emitted on the thread that reports.
    void progressed(const TransferProgress &progress);

private:
    QWidget *m_window;
    ProgressSheet &m_sheet;
    UserInteraction &m_interaction;
    QDialog *m_failedWindow = nullptr; // a child of the window
    std::unique_ptr<Ui::FailedWindow> m_failedUi;
    std::atomic_bool m_goOn{false};    // between books
    std::atomic_bool m_copyGoOn{true}; // inside a book
    bool m_running = false;            // from the panel's end to the sheet's end
    bool m_restoreRunning = false;     // a catalogue restore holds the slot
    std::thread m_worker;
    std::shared_ptr<std::atomic_bool> m_workerDone; // set by the worker as its body ends
    std::shared_ptr<std::atomic_bool> m_alive;      // lets late queued work see that we are gone
    BookFailureList m_lastFailures;
    TransferEnd m_end;                // the transfer holding the slot
    std::atomic<int> m_doneBooks{-1}; // counted on the worker as the books end
};
