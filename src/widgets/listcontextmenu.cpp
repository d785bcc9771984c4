// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/listcontextmenu.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QMenu>

namespace {

void copyActions(const QMenu &from, QMenu &to)
{
    for (QAction *action : from.actions()) {
        if (action->isSeparator()) {
            to.addSeparator();
            continue;
        }
        if (QMenu *submenu = action->menu()) {
            QMenu *copy = to.addMenu(action->icon(), action->text());
            copyActions(*submenu, *copy);
            copy->menuAction()->setEnabled(false);
            continue;
        }
        QAction *copy = to.addAction(action->icon(), action->text());
        copy->setCheckable(action->isCheckable());
        copy->setChecked(action->isChecked());
        copy->setShortcut(action->shortcut());
        copy->setEnabled(false);
    }
}

} // namespace

std::unique_ptr<QMenu> disabledMenuCopy(const QMenu &menu)
{
    auto copy = std::make_unique<QMenu>(menu.title());
    copyActions(menu, *copy);
    return copy;
}

QMenu *listMenuForEvent(QAbstractItemView *view, const QPoint &viewportPos, QMenu *menu,
                        std::unique_ptr<QMenu> &disabledCopy)
{
    view->setFocus(Qt::PopupFocusReason);
    QItemSelectionModel *selection = view->selectionModel();
    const QModelIndex index = view->indexAt(viewportPos);
    if (selection && index.isValid() && !selection->isRowSelected(index.row(), index.parent())) {
        selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    if (!menu)
        return nullptr;
    if (!selection || !selection->hasSelection()) {
        disabledCopy = disabledMenuCopy(*menu);
        return disabledCopy.get();
    }
    return menu;
}
