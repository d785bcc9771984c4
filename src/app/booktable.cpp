// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/booktable.h"

#include "app/appglobals.h"
#include "app/mediatablemodel.h"
#include "widgets/aitableview.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

namespace {
// The width the table's text columns share, less the room of the check column.
constexpr double kTableWidth = 530.0;
} // namespace

BookTable::BookTable(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_model(new MediaTableModel(this))
    , m_view(new MediaSortFilterModel(m_model, this))
{
    m_parts.view->setModel(m_view);
}

void BookTable::setUp()
{
    m_model->setColumnIdentifiers({});
    AITableView *table = m_parts.view;
    QHeaderView *header = table->horizontalHeader();
    header->setMinimumSectionSize(15);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, 16);
    header->setHighlightSections(false);
    table->verticalHeader()->hide();

    // A click on a header sorts by that column, a second click reverses, a third gives the
    // list's own order back; the list starts in its own order.
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);

    QCheckBox *box = m_parts.checkAllBox;
    box->setParent(header);
    box->resize(box->sizeHint().boundedTo(QSize(16, 16)).expandedTo(QSize(16, 16)));
    updateSelectAllPosition();
    box->show();
    box->raise();

    // The filter field stands above the table and comes and goes with it.
    if (QLineEdit *field = m_parts.filterField) {
        field->setVisible(!table->isHidden());
        field->setAcceptDrops(false); // books dropped on it go to the window's import
        connect(field, &QLineEdit::textChanged, this, [this](const QString &text) { setFilterText(text); });
        auto focusField = [field] {
            if (field->isVisible()) {
                field->setFocus(Qt::ShortcutFocusReason);
                field->selectAll();
            }
        };
        if (m_parts.findAction)
            connect(m_parts.findAction, &QAction::triggered, field, focusField);
        else
            connect(new QShortcut(QKeySequence::Find, m_parts.window), &QShortcut::activated, field, focusField);
    }
    // Space marks the focused book, as a click on its box does; the check-all box is left to
    // the mouse and the menu's Check All, so that a key meant for one book never marks them all.
    table->installEventFilter(this);
    m_parts.checkAllBox->setFocusPolicy(Qt::NoFocus);
}

bool BookTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_parts.view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            toggleRow(m_parts.view->currentIndex());
            return true;
        }
    }
    if (watched == m_parts.view && m_parts.filterField) {
        if (event->type() == QEvent::ShowToParent)
            m_parts.filterField->show();
        else if (event->type() == QEvent::HideToParent)
            m_parts.filterField->hide();
    }
    return QObject::eventFilter(watched, event);
}

void BookTable::setFilterText(const QString &text)
{
    m_view->setFilterText(text);
    applyButtonRules();
}

void BookTable::setColumns(const std::vector<std::string> *identifiers)
{
    if (!identifiers)
        return;
    m_model->setColumnIdentifiers(*identifiers);
    QHeaderView *header = m_parts.view->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, 16);
    if (identifiers->empty())
        return;
    const double width = (kTableWidth - 12.0) / static_cast<double>(identifiers->size());
    for (int column = 1; column <= static_cast<int>(identifiers->size()); ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, static_cast<int>(width));
    }
    header->setStretchLastSection(true);
    updateSelectAllPosition();
}

void BookTable::showRecords(std::shared_ptr<EpubList> records)
{
    medias = records ? std::move(records) : std::make_shared<EpubList>();
    m_model->reloadData();
}

void BookTable::removeRecords(const EpubList &gone)
{
    medias->erase(std::remove_if(medias->begin(), medias->end(),
                                 [&](const auto &record) {
                                     return std::find(gone.begin(), gone.end(), record) != gone.end();
                                 }),
                  medias->end());
    m_model->reloadData();
}

void BookTable::clearRecords()
{
    medias->clear();
    m_model->reloadData();
}

void BookTable::updateSelectAllPosition()
{
    QHeaderView *header = m_parts.view->horizontalHeader();
    QCheckBox *box = m_parts.checkAllBox;
    if (box->parentWidget() != header)
        return;
    box->move(0, std::max(0, (header->height() - box->height()) / 2));
}

std::shared_ptr<epub> BookTable::recordOfViewRow(int row) const
{
    return m_view->record(row);
}

std::vector<int> BookTable::highlightedRows() const
{
    std::vector<int> rows;
    if (!m_parts.view->selectionModel())
        return rows;
    for (const QModelIndex &index : m_parts.view->selectionModel()->selectedRows()) {
        const int row = m_view->sourceRow(index.row());
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void BookTable::toggleActedOnRow()
{
    if (m_transferRunning)
        return;
    const std::vector<int> rows = highlightedRows();
    if (rows.empty())
        return;
    int row = rows.back();
    const QModelIndex current = m_parts.view->currentIndex();
    if (current.isValid()) {
        const int currentRow = m_view->sourceRow(current.row());
        if (std::binary_search(rows.begin(), rows.end(), currentRow))
            row = currentRow;
    }
    if (const std::shared_ptr<epub> record = m_model->record(row))
        record->setIsSelect(!record->isSelect());
    m_model->checkMarksChanged();
    applyButtonRules();
}

void BookTable::toggleRow(const QModelIndex &viewIndex)
{
    if (m_transferRunning || !viewIndex.isValid())
        return;
    const std::shared_ptr<epub> record = recordOfViewRow(viewIndex.row());
    if (!record)
        return;
    record->setIsSelect(!record->isSelect());
    m_model->checkMarksChanged();
    applyButtonRules();
}

void BookTable::checkAllFromBox()
{
    if (m_transferRunning) {
        applyButtonRules();
        return;
    }
    const bool on = m_parts.checkAllBox->checkState() == Qt::Checked;
    // The rows the filter hides keep their marks.
    for (const auto &record : shownRecords())
        record->setIsSelect(on);
    m_model->checkMarksChanged();
    applyButtonRules();
}

void BookTable::setCheckAll(bool checked)
{
    m_parts.checkAllBox->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    checkAllFromBox();
    applyButtonRules();
}

void BookTable::setHighlightedCheckMarks(bool checked)
{
    if (m_transferRunning)
        return;
    for (int row : highlightedRows()) {
        if (const std::shared_ptr<epub> record = m_model->record(row))
            record->setIsSelect(checked);
    }
    m_model->checkMarksChanged();
    applyButtonRules();
}

EpubList BookTable::shownRecords() const
{
    EpubList shown;
    for (int row = 0; row < m_view->rowCount(); ++row) {
        if (std::shared_ptr<epub> record = recordOfViewRow(row))
            shown.push_back(std::move(record));
    }
    return shown;
}

bool BookTable::checkedAndShown(const epub &record) const
{
    return record.isSelect() && m_view->shows(record);
}

CommandState BookTable::commandState() const
{
    CommandState state;
    state.transferRunning = m_transferRunning;
    if (m_parts.listState)
        m_parts.listState(state);
    state.panelShown = !m_parts.deviceCard->isHidden();
    const EpubList &records = m_model->records();
    state.records = static_cast<int>(records.size());
    for (size_t row = 0; row < records.size(); ++row) {
        const auto &record = records[row];
        if (!record)
            continue;
        ++(record->isSelect() ? state.checked : state.unchecked);
        if (!m_view->showsRow(static_cast<int>(row)))
            ++(record->isSelect() ? state.hiddenChecked : state.hiddenUnchecked);
    }
    const std::vector<int> rows = highlightedRows();
    state.highlighted = static_cast<int>(rows.size());
    for (int row : rows) {
        if (row >= state.records)
            continue;
        ++state.highlightedRecords;
        if (const auto record = m_model->record(row))
            ++(record->isSelect() ? state.highlightedChecked : state.highlightedUnchecked);
    }
    return state;
}

bool BookTable::checkAllBoxOn(const EpubList &records)
{
    for (const auto &record : records) {
        if (!record)
            continue;
        if (!record->isSelect())
            return false;
        if (!record->isuserItem())
            return true;
    }
    return true;
}

void BookTable::applyButtonRules()
{
    // The box speaks for the rows it acts on: the shown ones, in the order shown.
    m_parts.checkAllBox->setCheckState(checkAllBoxOn(shownRecords()) ? Qt::Checked : Qt::Unchecked);
    const ButtonRules rules = buttonRules(commandState());
    m_parts.exportButton->setEnabled(rules.exportButton);
    m_parts.importButton->setEnabled(rules.importButton);
    m_parts.checkAllBox->setEnabled(rules.checkAllBox);
    Q_EMIT rulesApplied();
}

void BookTable::setTransferRunning(bool running)
{
    m_transferRunning = running;
    applyButtonRules();
}
