// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/loadwindow.h"

#include <QEventLoop>

void HeadlessLoadWindow::runModal()
{
    ++m_runs;
    // An abort that came before the loop started ends this run at once.
    if (m_abortPending) {
        m_abortPending = false;
        return;
    }
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
}

void HeadlessLoadWindow::abortModal()
{
    if (m_loop)
        static_cast<QEventLoop *>(m_loop)->quit();
    else
        m_abortPending = true;
}
