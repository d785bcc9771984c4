// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/appshelf.h"
#include "library/epub.h"
#include "operations/bookbatch.h"
#include "operations/bookoperationresult.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class BookTable;
class ProgressSheet;
class QDialog;
class QWidget;
class UserInteraction;
class iPodTreeListControler;
struct userDataIphone;
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

// The window's book transfers: import, export of the checked books, export of the
// highlighted rows, and deletion. Each runs as one BookBatch on a worker thread behind the
// progress sheet, one at a time (the "transfer slot"), and lists its failures in the failure
// window, which this object builds and owns, at its end. The catalogue restore borrows the
// same slot and window. Each works on a device session opened when the command starts and
// given back after its end, so a device that arrives meanwhile is surveyed only then.
//
// The go-on flags live here and only here. The one between books is set as a command starts
// and cleared by Cancel, by stop() and at each command's end: the batches start no further
// book once it is clear, and the book under way ends as it would have. The one inside a book
// is cleared only by stop() (the window closing) and set again as the next transfer starts:
// the batch hands it to the copy, which stops between its files.
//
// Threads: commands start on the main thread; batch bodies run on the worker and reach the
// widgets only through queued calls. The replace question of an export is asked on the main
// thread while the worker waits.
class TransferCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferCommands)
public:
    // `window` parents the failure window and the questions; the others outlive this object.
    TransferCommands(QWidget *window, iPodTreeListControler &devices, BookTable &table, ProgressSheet &sheet,
                     UserInteraction &interaction, QObject *parent);
    ~TransferCommands() override;

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

    // While one of the reader apps is selected, the commands hand its books to `apps`, which
    // runs them in this slot (appSlot()). Null: no apps.
    void setAppShelf(AppShelf *apps) { m_apps = apps; }
    AppShelf::Context::Slot appSlot();

    // The transfer slot: false when a transfer already holds it.
    bool start(TransferEnd::Kind kind = TransferEnd::Kind::Other);
    void runWorker(std::function<void()> body);
    // Gives the slot back and lists the failures, under `heading` when one is given.
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
    // Runs on the worker: one progress report, the percentage in integer arithmetic, truncated,
    // announced with progressNotification.
    void report(const std::string &title, int index, int count);

    void showFailures(const BookFailureList &failures);
    void fillFailedWindow(const BookFailureList &failures);
    void closeFailedWindow();
    QDialog *failureWindow() const { return m_failedWindow; }
    const BookFailureList &lastFailures() const { return m_lastFailures; }

    bool askOnMainThread(const std::string &message);
    // Runs on the worker: asks on the main thread and waits; the answer code of `ask`.
    int askAndWait(const QString &title, const QString &message, const QStringList &buttons);
    // Runs on the worker before an import takes the sync lock, so nothing waits on a person
    // while the device is locked: for each of `paths`, whether the user chose to leave it out
    // because the device has that book already (or an earlier book of the same import brings
    // it). Asked in the order of the paths; "Skip All" skips the later ones unasked. The
    // device's catalogue is read once for all of them.
    std::vector<bool> booksToSkip(const std::vector<std::string> &paths, userDataIphone *device);

Q_SIGNALS:
    // A transfer took the slot.
    void started();
    // The slot was taken or given back.
    void runningChanged(bool running);
    // The device's lists changed and are to be read again.
    void listsChanged();
    // A sentence for the window's message line about how a transfer ended, with a link.
    void message(const QString &text, const QString &linkTitle, const QUrl &target);
    // A transfer gave the slot back (after runningChanged(false)).
    void ended(const TransferEnd &end);

private:
    // Queues `work` for the main thread, dropped if this object has gone by then.
    void onMainThread(std::function<void()> work);
    // A batch behind the progress sheet: on `session`, after the sheet's pause, shown once it
    // starts, stopped after its current book by Cancel and inside it by stop().
    BookBatch sheetBatch(std::shared_ptr<DeviceSession> session, bool syncLock);
    void endExport(const BookFailureList &failures, int exported, const std::string &dstpath,
                   std::shared_ptr<DeviceSession> session);
    void offerExportFolder(const QString &folder, int exported);

    // The selected reader app, when the commands go to one.
    AppShelfNode *selectedApp() const { return m_apps ? m_apps->selectedApp() : nullptr; }

    QWidget *m_window;
    AppShelf *m_apps = nullptr;
    iPodTreeListControler &m_devices;
    BookTable &m_table;
    ProgressSheet &m_sheet;
    UserInteraction &m_interaction;
    QDialog *m_failedWindow = nullptr; // a child of the window
    std::unique_ptr<Ui::FailedWindow> m_failedUi;
    std::atomic_bool m_goOn{false};     // between books
    std::atomic_bool m_copyGoOn{true};  // inside a book
    bool m_running = false;        // from the panel's end to the sheet's end
    bool m_restoreRunning = false; // a catalogue restore holds the slot
    std::thread m_worker;
    std::shared_ptr<std::atomic_bool> m_workerDone; // set by the worker as its body ends
    std::shared_ptr<std::atomic_bool> m_alive;      // lets late queued work see that we are gone
    BookFailureList m_lastFailures;
    TransferEnd m_end;                 // the transfer holding the slot
    std::atomic<int> m_doneBooks{-1};  // counted on the worker as the device's books end
    void countEnded(const BookOperationResult &result);
};
