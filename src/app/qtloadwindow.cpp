// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/qtloadwindow.h"

#include "core/mainqueue.h"
#include "ui_loadwindow.h"

#include <QEventLoop>
#include <QPointer>

QtLoadWindow::QtLoadWindow(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::LoadWindowForm>())
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
}

QtLoadWindow::~QtLoadWindow()
{
    if (m_loop)
        m_loop->quit();
}

void QtLoadWindow::runModal()
{
    // The survey may finish before the window gets to run (it ends the session first).
    if (m_abortPending) {
        m_abortPending = false;
        return;
    }
    if (m_loop)
        return;
    m_ui->loadDetail->clear();
    show();
    raise();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
}

void QtLoadWindow::abortModal()
{
    if (m_loop)
        m_loop->quit();
    else
        m_abortPending = true;
}

void QtLoadWindow::orderOut()
{
    hide();
}

void QtLoadWindow::surveyProgress(int foldersWalked)
{
    QPointer<QtLoadWindow> self(this);
    performOnMainThread([self, foldersWalked] {
        if (self)
            self->m_ui->loadDetail->setText(tr("%n folder(s) read", nullptr, foldersWalked));
    });
}

void QtLoadWindow::reject()
{
}
