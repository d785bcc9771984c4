// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/commandrules.h"
#include "library/epub.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class AITableView;
class QAction;
class QCheckBox;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QWidget;
class MediaSortFilterModel;
class MediaTableModel;
class XLPopupMenuButton;

// The book table of the main window: its columns and header, sorting and the filter field,
// the check marks of `medias`, the highlighted rows, and the enabled state of the buttons and
// items the rules in commandrules.h derive from them. "Checked" means a record's check mark
// (epub::isSelect); "highlighted" means a row selected in the view. The view shows the
// records through a sort and filter model, so a view row is never an index into `medias`:
// every command maps it to its record first, and check marks stay with their books.
//
// Threads: main thread only. It is destroyed just after the window and touches no widget then.
class BookTable final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookTable)
public:
    // The widgets the table runs, from the window's form. The device card is only read: the
    // rules ask whether it is shown.
    struct Parts
    {
        AITableView *view = nullptr;
        QCheckBox *checkAllBox = nullptr;
        QLineEdit *filterField = nullptr; // may be null
        QPushButton *exportButton = nullptr;
        XLPopupMenuButton *importButton = nullptr;
        const QWidget *deviceCard = nullptr;
        QWidget *window = nullptr; // where the find shortcut lives
        QAction *findAction = nullptr; // the menu's "Filter Books"; a shortcut of its own when null
        // Fills in the device list's part of the state: a device connected, which list is selected.
        std::function<void(CommandState &state)> listState;
    };
    // Shows its records in `parts.view`.
    BookTable(const Parts &parts, QObject *parent);

    MediaTableModel *model() const { return m_model; }
    // What the view shows: the model sorted and filtered.
    MediaSortFilterModel *viewModel() const { return m_view; }

    // Once at start-up: the check column held to the width of its box, the check-all box over
    // it, sorting by the header and the filter field above the table.
    void setUp();
    // The text columns of a list after the check column, sharing the table's nominal width.
    void setColumns(const std::vector<std::string> *identifiers);
    // The table adopts the list the device list read, so check marks live in its records.
    void showRecords(std::shared_ptr<EpubList> records);
    // The rows deleted from the device leave the table.
    void removeRecords(const EpubList &gone);
    // A device row is shown: the table lets go of the list (a transfer keeps its own copy).
    void clearRecords();
    void updateSelectAllPosition();
    // Narrows the shown rows (the filter field's text).
    void setFilterText(const QString &text);

    // The records' indexes in `medias` of the highlighted rows, ascending, each once.
    std::vector<int> highlightedRows() const;
    // Toggles the check mark of the row the user acted on (the current row when it is
    // highlighted, else the last highlighted one).
    void toggleActedOnRow();
    // Toggles the check mark of the book in the view row of `viewIndex` (a click on its box,
    // or Space on the focused row).
    void toggleRow(const QModelIndex &viewIndex);
    // Every shown record's check mark follows the check-all box.
    void checkAllFromBox();
    void setCheckAll(bool checked);
    // The check marks of the highlighted rows.
    void setHighlightedCheckMarks(bool checked);

    // The rules' input as the window stands now.
    CommandState commandState() const;
    // The check-all box's mark: off at the first unchecked record, on at the first checked
    // record that is not a user item, on when the walk ends.
    static bool checkAllBoxOn(const EpubList &records);
    // The shown records, in the order the view shows them.
    EpubList shownRecords() const;
    // Whether a command on checked books ("Export to Mac", "Delete check item") takes this
    // record: checked and shown. Like the check-all box, they leave the books the filter
    // hides alone, so nobody exports or deletes a book they cannot see.
    bool checkedAndShown(const epub &record) const;
    // Applies the check-all box's mark and the rules' button states.
    void applyButtonRules();
    // A transfer took or gave back the slot: the marks are frozen meanwhile, and the rules
    // are applied again.
    void setTransferRunning(bool running);

Q_SIGNALS:
    // The rules were applied; the window's menu items follow them.
    void rulesApplied();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::shared_ptr<epub> recordOfViewRow(int row) const;

    const Parts m_parts;
    bool m_transferRunning = false;
    MediaTableModel *m_model = nullptr;
    MediaSortFilterModel *m_view = nullptr;
};
