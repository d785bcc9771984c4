// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/cataloguebackup.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

// The panels and questions of the main window, behind one interface so that tests answer
// them without a person. Everything here runs on the main thread.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // Files (several, "*.epub", and "*.pdf" when importTakesPdf says so) to import, in the
    // order chosen; empty when cancelled.
    virtual QStringList chooseImportPaths(QWidget *window) = 0;
    // Whether the books would go where PDFs are taken (an app that takes them); none: ePub only.
    std::function<bool()> importTakesPdf;
    // One destination folder; empty when cancelled.
    virtual QString chooseExportFolder(QWidget *window) = 0;
    // One folder whose ePub books to import ("Folder to Device"); empty when cancelled. By
    // default a folder dialog.
    virtual QString chooseImportFolder(QWidget *window);
    // A modal question with buttons in the order given. Answers 1000 for the first button,
    // 1001 for the second, ..., as the platform's alerts do.
    virtual int ask(QWidget *window, const QString &message, const QString &informative,
                    const QStringList &buttons) = 0;
    // The kept catalogue copy (one of `backups`) to put back on the device; empty when
    // cancelled. By default the backup dialog, so every interaction has it.
    virtual QString chooseCatalogueBackup(QWidget *window, const QString &deviceName,
                                          const std::vector<CatalogueBackup> &backups);
};

// The import panel's name filters: ePub books, with PDFs where they are taken, then all files.
QStringList importNameFilters(bool withPdfs);

// The real thing: window-modal file dialogs and message boxes.
class DialogInteraction : public UserInteraction
{
public:
    QStringList chooseImportPaths(QWidget *window) override;
    QString chooseExportFolder(QWidget *window) override;
    int ask(QWidget *window, const QString &message, const QString &informative,
            const QStringList &buttons) override;
};

// The message box `ask` shows (the screenshot mode shows it without waiting).
#include <QMessageBox>
#include <memory>
std::unique_ptr<QMessageBox> makeQuestion(QWidget *window, const QString &message, const QString &informative,
                                          const QStringList &buttons);
// The answer code of the button that closed a question from makeQuestion: 1000 for the first
// button given, whatever its text has become; the first when none was clicked.
int questionAnswer(const QMessageBox &question);

// The alert's return code of the first button.
inline constexpr int AlertFirstButtonReturn = 1000;
