// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/cataloguebackup.h"

#include <QDialog>
#include <QLocale>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

// Lists the kept copies of one device's book catalogue, newest first, and lets the user pick
// one to put back. Each row shows when the copy was kept (in the user's locale and time
// zone), how many books it names and its size. Accepting gives chosenPath(); the dialog
// itself changes nothing. Main thread only.
class CatalogueBackupDialog : public QDialog
{
    Q_OBJECT
public:
    CatalogueBackupDialog(const QString &deviceName, const std::vector<CatalogueBackup> &backups,
                          QWidget *parent = nullptr);

    // The file of the highlighted copy; empty when none is highlighted.
    QString chosenPath() const;
    QTreeWidget *list() const { return m_list; }
    QPushButton *restoreButton() const { return m_restore; }
    QLabel *heading() const { return m_heading; }

    // "2026-12-06 07:30:12.345" (UTC, as the backups are named) in `locale`'s short date and
    // a time with seconds, in the local time zone; the text itself when it is not such a time.
    static QString keptAtText(const std::string &createdUtc, const QLocale &locale = QLocale());
    // How many books a kept catalogue names: "3", or "unreadable" when it is not a catalogue.
    static QString bookCountText(const std::string &path);

private:
    void updateButtons();

    QLabel *m_heading = nullptr;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_restore = nullptr;
    QPushButton *m_cancel = nullptr;
};
