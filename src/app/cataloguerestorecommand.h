// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "bookoperationresult.h"

#include <QObject>
#include <QString>

#include <string>

class mainControler;

// "Restore Catalogue Backup..." in the device list's context menu: offers the kept copies of
// the selected device's catalogue, asks before replacing, and puts the chosen copy back on a
// worker behind the progress sheet, holding the window's transfer slot meanwhile.
//
// Threads: main thread, except the upload, which runs on the transfer worker.
class CatalogueRestoreCommand : public QObject
{
    Q_OBJECT
public:
    explicit CatalogueRestoreCommand(mainControler &window);

    // Enables the menu entry: a connected device's row is selected, nothing runs, and copies
    // of its catalogue are kept. Done as the menu opens (it asks the device layer).
    void validate();
    void run();

private:
    // The identifier of the device whose row is selected, if it is connected; else empty.
    std::string selectedDeviceIdentifier() const;
    QString selectedDeviceName() const;
    void finish(const BookOperationResult &result, const QString &keptAt);

    mainControler &m_window;
};
