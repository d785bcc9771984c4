// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookoperationresult.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

class QAction;
class QWidget;
class TransferSlot;
class UserInteraction;
class DeviceOutline;

// "Restore Catalogue Backup..." in the device list's context menu: offers the kept copies of
// the selected device's catalogue, asks before replacing, and puts the chosen copy back on a
// worker behind the progress sheet, holding the window's transfer slot meanwhile.
//
// Threads: main thread, except the upload, which runs on the transfer worker.
class CatalogueRestoreCommand final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CatalogueRestoreCommand)
public:
    // Runs `item` (the menu entry); the others outlive it. `window` parents the questions.
    CatalogueRestoreCommand(QWidget *window, QAction *item, const DeviceOutline &devices,
                            TransferSlot &transfers, UserInteraction &interaction, QObject *parent);
    ~CatalogueRestoreCommand() override;

    // Enables the menu entry: a connected device's row is selected, nothing runs, and copies
    // of its catalogue are kept. Done as the menu opens (it asks the device layer).
    void validate();
    void run();

Q_SIGNALS:
    // The device's lists are to be read again from the restored catalogue.
    void listsChanged();

private:
    // The identifier of the device whose row is selected, if it is connected; else empty.
    std::string selectedDeviceIdentifier() const;
    QString selectedDeviceName() const;
    void finish(const BookOperationResult &result, const QString &keptAt);

    QWidget *m_window;
    QAction *m_item;
    const DeviceOutline &m_devices;
    TransferSlot &m_transfers;
    UserInteraction &m_interaction;
    std::shared_ptr<std::atomic_bool> m_alive; // lets the upload's end see that we are gone
};
