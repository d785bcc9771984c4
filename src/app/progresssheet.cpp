// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/progresssheet.h"

#include "app/shorttext.h"

#include "ui_progresswindow.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

// The title names a book or a path, of any length: the sheet shows a line's worth.
constexpr qsizetype kProgressTitleChars = 1000;

// Escape cancels the work instead of hiding the sheet over it.
class ProgressDialog final : public QDialog
{
public:
    ProgressDialog(QWidget *parent, ProgressSheet *sheet) : QDialog(parent), m_sheet(sheet) {}

protected:
    void reject() override { Q_EMIT m_sheet->cancelRequested(); }

private:
    ProgressSheet *m_sheet;
};

} // namespace

ProgressSheet::ProgressSheet(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_dialog(new ProgressDialog(window, this))
    , m_ui(std::make_unique<Ui::ProgressWindow>())
{
    m_ui->setupUi(m_dialog);
    m_dialog->setWindowModality(Qt::WindowModal);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &ProgressSheet::cancelRequested);
}

ProgressSheet::~ProgressSheet() = default;

QLabel *ProgressSheet::titleLabel() const
{
    return m_ui->progressTitle;
}

QLabel *ProgressSheet::percentLabel() const
{
    return m_ui->progressTitleLable;
}

QProgressBar *ProgressSheet::bar() const
{
    return m_ui->progress;
}

void ProgressSheet::show()
{
    m_stopping = false;
    m_ui->progressTitle->setText(tr("Uploading....."));
    m_ui->progressTitleLable->setText(QStringLiteral("0%"));
    m_ui->progress->setValue(0);
    m_dialog->open();
}

void ProgressSheet::step(const TransferProgress &progress)
{
    const int percent = progress.percent();
    if (!m_stopping) {
        const QString item = shownText(progress.item, kProgressTitleChars);
        m_ui->progressTitle->clear();
        m_ui->progressTitle->setText(progress.step == TransferProgress::Step::Deleting ? tr("Deleting: %1").arg(item)
                                                                                       : tr("Copying to: %1").arg(item));
    }
    m_ui->progressTitleLable->clear();
    m_ui->progressTitleLable->setText(QString::number(percent) + QLatin1Char('%'));
    m_ui->progress->setValue(percent);
}

void ProgressSheet::showStopping()
{
    m_stopping = true;
    m_ui->progressTitle->setText(tr("Stopping..."));
}

void ProgressSheet::showBusy(const QString &title)
{
    show();
    m_busy = true;
    m_ui->progressTitle->setText(title);
    m_ui->progressTitleLable->clear();
    m_ui->progress->setRange(0, 0);
    m_ui->cancelButton->hide();
}

void ProgressSheet::hide()
{
    m_dialog->hide();
    if (m_busy) {
        m_busy = false;
        m_ui->progress->setRange(0, 100);
        m_ui->cancelButton->show();
    }
}
