// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;
namespace Ui {
class ProgressWindow;
}

// How far a transfer is: the step and what it names, and the book's place in the count. The
// sheet makes the words and the percentage.
struct TransferProgress
{
    enum class Step { Copying, Deleting };
    Step step = Step::Copying;
    std::string item; // a book's path or name, or the folder the books go to
    int index = 0;
    int count = 0;
    // Truncated, in integer arithmetic; 0 with nothing to count.
    int percent() const { return count > 0 ? index * 100 / count : 0; }
};

// The progress sheet over the main window, shared by the transfers and the catalogue restore:
// a title line, the percentage as text and a bar, and a Cancel button. It builds its dialog
// from the form as a window-modal child of `window`; Cancel and Escape only ask (cancelRequested),
// the command that runs decides what stopping means.
//
// Threads: main thread only.
class ProgressSheet final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressSheet)
public:
    ProgressSheet(QWidget *window, QObject *parent);
    ~ProgressSheet() override;

    // Opens the sheet at 0% with its opening title.
    void show();
    // A transfer's report: the title line (unless stopping) and the percentage of the bar.
    void step(const TransferProgress &progress);
    // Cancel was asked: the title says so until the sheet ends; the percentage still moves.
    void showStopping();
    // Opens the sheet for one piece of work that cannot be stopped or measured: `title`, a
    // running bar and no Cancel button.
    void showBusy(const QString &title);
    // Takes the sheet down, ready for the next transfer.
    void hide();

    // The window's outlets point at these.
    QDialog *dialog() const { return m_dialog; }
    QLabel *titleLabel() const;
    QLabel *percentLabel() const;
    QProgressBar *bar() const;

Q_SIGNALS:
    void cancelRequested();

private:
    QDialog *m_dialog = nullptr; // a child of the window
    std::unique_ptr<Ui::ProgressWindow> m_ui;
    bool m_stopping = false;
    bool m_busy = false;
};
