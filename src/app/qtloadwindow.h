// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/loadiphone.h"

#include <QDialog>

#include <memory>

class QEventLoop;
namespace Ui {
class LoadWindowForm;
}

// The window shown while a device is surveyed. runModal() shows it application-modal and
// spins a nested event loop until abortModal(); the survey may report its progress.
class QtLoadWindow : public QDialog, public LoadWindow
{
    Q_OBJECT
public:
    explicit QtLoadWindow(QWidget *parent = nullptr);
    ~QtLoadWindow() override;

    void runModal() override;
    void abortModal() override;
    void orderOut() override;
    // May be called from the survey's thread.
    void surveyProgress(int foldersWalked) override;

    bool isRunningModal() const { return m_loop != nullptr; }

protected:
    void reject() override; // Escape does not end the survey's window

private:
    std::unique_ptr<Ui::LoadWindowForm> m_ui;
    QEventLoop *m_loop = nullptr;
    bool m_abortPending = false;
};
