// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "bookbatch.h"
#include "bookoperationresult.h"
#include "epub.h"

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

class mainControler;
struct userDataIphone;

// The window's book transfers: import, export of the checked books, export of the
// highlighted rows, and deletion. Each runs as one BookBatch on a worker thread behind the
// progress sheet, one at a time (the "transfer slot"), and lists its failures in the failure
// window at its end. The catalogue restore borrows the same slot, sheet and window. Each works
// on a device session opened when the command starts and given back after its end, so a
// device that arrives meanwhile is surveyed only then.
//
// Threads: commands start on the main thread; batch bodies run on the worker and reach the
// widgets only through performOnMainThread. The replace question of an export is asked on the
// main thread while the worker waits.
class TransferCommands : public QObject
{
    Q_OBJECT
public:
    explicit TransferCommands(mainControler &window);
    ~TransferCommands() override;

    void importBooks(const QStringList &paths);
    void exportChecked(const QString &folder);
    void exportHighlighted(const QString &folder);
    // Asks first; the records are those the user chose (checked or highlighted user items).
    void deleteBooks(const EpubList &candidates);

    // The transfer slot: false when a transfer already holds it.
    bool start();
    void runWorker(std::function<void()> body);
    // A batch behind the progress sheet: on `session`, after the sheet's pause, shown once it
    // starts, stopped by Cancel.
    BookBatch sheetBatch(std::shared_ptr<DeviceSession> session, bool syncLock);
    void endExport(const BookFailureList &failures, int exported, const std::string &dstpath,
                   std::shared_ptr<DeviceSession> session);
    // Gives the slot back and lists the failures, under `heading` when one is given.
    void finish(const BookFailureList &failures, const QString &heading = {});
    void joinWorker();
    // Waits at most `limit` for the worker's body to end; true when it has (and is joined).
    bool joinWorkerWithin(std::chrono::milliseconds limit);
    bool isRunning() const { return m_running; }
    bool isRestoreRunning() const { return m_restoreRunning; }
    void setRestoreRunning(bool running) { m_restoreRunning = running; }

    void cancel();
    // Runs on the worker: one progress report, the percentage in integer arithmetic, truncated.
    void postProgress(const std::string &title, int index, int count);
    void showProgress(const QString &title, const QString &percent);
    void showProgressWindow();
    void endProgressWindow();
    void showFailures(const BookFailureList &failures);
    void fillFailedWindow(const BookFailureList &failures);
    void closeFailedWindow();
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
    // A sentence for the window's message line about how a transfer ended, with a link.
    void message(const QString &text, const QString &linkTitle, const QUrl &target);

private:
    // Queues `work` for the main thread, dropped if the window has gone by then.
    void onMainThread(std::function<void()> work);
    void offerExportFolder(const QString &folder, int exported);

    mainControler &m_window;
    bool m_running = false;        // from the panel's end to the sheet's end
    bool m_restoreRunning = false; // a catalogue restore holds the slot
    bool m_stopping = false;       // cancel was asked: the progress title says so until the sheet ends
    std::thread m_worker;
    std::shared_ptr<std::atomic_bool> m_workerDone; // set by the worker as its body ends
    BookFailureList m_lastFailures;
};
