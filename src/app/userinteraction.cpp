// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/userinteraction.h"

#include "app/cataloguebackupdialog.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

QStringList importNameFilters(bool withPdfs)
{
    if (withPdfs)
        return {QObject::tr("ePub books and PDFs (*.epub *.pdf)"), QObject::tr("ePub books (*.epub)"),
                QObject::tr("PDFs (*.pdf)"), QObject::tr("All files (*)")};
    return {QObject::tr("ePub books (*.epub)"), QObject::tr("All files (*)")};
}

QStringList DialogInteraction::chooseImportPaths(QWidget *window)
{
    const bool pdfs = importTakesPdf && importTakesPdf();
    QFileDialog panel(window, pdfs ? QObject::tr("Choose ePub books or PDFs to add") : QObject::tr("Choose ePub books to add"));
    panel.setFileMode(QFileDialog::ExistingFiles);
    panel.setNameFilters(importNameFilters(pdfs));
    panel.setWindowModality(Qt::WindowModal);
    if (panel.exec() != QDialog::Accepted)
        return {};
    return panel.selectedFiles();
}

namespace {
const char *const kAnswerProperty = "bookferryAnswer";

QString chooseFolder(QWidget *window, const QString &title)
{
    QFileDialog panel(window, title);
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly, true);
    panel.setWindowModality(Qt::WindowModal);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return {};
    return panel.selectedFiles().first();
}
} // namespace

QString DialogInteraction::chooseExportFolder(QWidget *window)
{
    return chooseFolder(window, QObject::tr("Choose the folder for the books"));
}

QString UserInteraction::chooseImportFolder(QWidget *window)
{
    return chooseFolder(window, QObject::tr("Choose a folder of ePub books to add"));
}

std::unique_ptr<QMessageBox> makeQuestion(QWidget *window, const QString &message, const QString &informative,
                                          const QStringList &buttons)
{
    auto alert = std::make_unique<QMessageBox>(window);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(message);
    alert->setText(message);
    alert->setInformativeText(informative);
    alert->setWindowModality(Qt::WindowModal);
    // Paths make long questions; a wider text keeps them to a few lines.
    alert->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 360px; }"));
    QPushButton *first = nullptr;
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton *button = alert->addButton(buttons[i], first ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        // The answer travels with the button: its text may change (a style adds accelerator marks).
        button->setProperty(kAnswerProperty, AlertFirstButtonReturn + i);
        if (!first)
            first = button;
    }
    // The first button is the default, so Return never confirms by accident.
    if (first)
        alert->setDefaultButton(first);
    return alert;
}

int DialogInteraction::ask(QWidget *window, const QString &message, const QString &informative,
                           const QStringList &buttons)
{
    auto alert = makeQuestion(window, message, informative, buttons);
    alert->exec();
    return questionAnswer(*alert);
}

int questionAnswer(const QMessageBox &question)
{
    if (const QAbstractButton *clicked = question.clickedButton()) {
        const QVariant answer = clicked->property(kAnswerProperty);
        if (answer.isValid())
            return answer.toInt();
    }
    return AlertFirstButtonReturn; // closed without an answer: the first (safe) button
}

QString UserInteraction::chooseCatalogueBackup(QWidget *window, const QString &deviceName,
                                               const std::vector<CatalogueBackup> &backups)
{
    CatalogueBackupDialog dialog(deviceName, backups, window);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenPath() : QString();
}
