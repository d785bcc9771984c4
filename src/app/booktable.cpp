// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "booktable.h"

#include "aitableview.h"
#include "appglobals.h"
#include "ipodtreelistcontroler.h"
#include "maincontroler.h"
#include "mediatablemodel.h"
#include "xlpopupmenubutton.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>

#include <algorithm>

namespace {
// The width the table's text columns share, less the room of the check column.
constexpr double kTableWidth = 530.0;
} // namespace

BookTable::BookTable(mainControler &window)
    : QObject(&window)
    , m_window(window)
    , m_model(new MediaTableModel(this))
{
}

void BookTable::setUp()
{
    m_model->setColumnIdentifiers({});
    QHeaderView *header = m_window.mediaTableView->horizontalHeader();
    header->setMinimumSectionSize(15);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, 16);
    header->setHighlightSections(false);
    m_window.mediaTableView->verticalHeader()->hide();

    QCheckBox *box = m_window.selectAllButton;
    box->setParent(header);
    box->resize(box->sizeHint().boundedTo(QSize(16, 16)).expandedTo(QSize(16, 16)));
    updateSelectAllPosition();
    box->show();
    box->raise();
}

void BookTable::setColumns(const std::vector<std::string> *identifiers)
{
    if (!identifiers)
        return;
    m_model->setColumnIdentifiers(*identifiers);
    QHeaderView *header = m_window.mediaTableView->horizontalHeader();
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

void BookTable::updateSelectAllPosition()
{
    QHeaderView *header = m_window.mediaTableView->horizontalHeader();
    QCheckBox *box = m_window.selectAllButton;
    if (box->parentWidget() != header)
        return;
    box->move(0, std::max(0, (header->height() - box->height()) / 2));
}

std::vector<int> BookTable::highlightedRows() const
{
    std::vector<int> rows;
    if (!m_window.mediaTableView->selectionModel())
        return rows;
    for (const QModelIndex &index : m_window.mediaTableView->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void BookTable::toggleActedOnRow()
{
    if (m_window.isTransferRunning())
        return;
    const std::vector<int> rows = highlightedRows();
    if (rows.empty())
        return;
    int row = rows.back();
    const QModelIndex current = m_window.mediaTableView->currentIndex();
    if (current.isValid() && std::binary_search(rows.begin(), rows.end(), current.row()))
        row = current.row();
    if (row >= 0 && row < static_cast<int>(medias->size()) && (*medias)[row]) {
        epub &record = *(*medias)[row];
        record.setIsSelect(!record.isSelect());
    }
    m_model->checkMarksChanged();
    applyButtonRules();
}

void BookTable::checkAllFromBox()
{
    if (m_window.isTransferRunning()) {
        applyButtonRules();
        return;
    }
    const bool on = m_window.selectAllButton->checkState() == Qt::Checked;
    for (auto &record : *medias) {
        if (record)
            record->setIsSelect(on);
    }
    m_model->checkMarksChanged();
    applyButtonRules();
}

void BookTable::setCheckAll(bool checked)
{
    m_window.selectAllButton->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    checkAllFromBox();
    applyButtonRules();
}

void BookTable::setHighlightedCheckMarks(bool checked)
{
    if (m_window.isTransferRunning())
        return;
    for (int row : highlightedRows()) {
        if (row < static_cast<int>(medias->size()) && (*medias)[row])
            (*medias)[row]->setIsSelect(checked);
    }
    m_model->checkMarksChanged();
    applyButtonRules();
}

CommandState BookTable::commandState() const
{
    CommandState state;
    const iPodTreeListControler &devices = *m_window.treeListControler;
    state.transferRunning = m_window.isTransferRunning();
    state.deviceConnected = devices.ipodCount() >= 1;
    state.customListSelected = devices.isSelectepubnodecanadd();
    state.rootSelected = devices.isRootSelect();
    state.panelShown = !m_window.box->isHidden();
    state.records = static_cast<int>(medias->size());
    for (const auto &record : *medias) {
        if (record)
            ++(record->isSelect() ? state.checked : state.unchecked);
    }
    const std::vector<int> rows = highlightedRows();
    state.highlighted = static_cast<int>(rows.size());
    for (int row : rows) {
        if (row >= state.records)
            continue;
        ++state.highlightedRecords;
        if (const auto &record = (*medias)[static_cast<size_t>(row)])
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
    m_window.selectAllButton->setCheckState(checkAllBoxOn(*medias) ? Qt::Checked : Qt::Unchecked);
    const ButtonRules rules = buttonRules(commandState());
    m_window.ipodtoMacButton->setEnabled(rules.exportButton);
    m_window.addMediaButton->setEnabled(rules.importButton);
    m_window.selectAllButton->setEnabled(rules.checkAllBox);
    m_window.validateMenus();
}
