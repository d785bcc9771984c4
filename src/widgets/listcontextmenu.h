// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QPoint>

#include <memory>

class QAbstractItemView;
class QMenu;

// The right-click rule shared by the book table and the device list: the row under the
// pointer is selected alone unless it is already part of the selection (a point below the
// last row keeps the selection as it is); with nothing selected the menu is offered as a
// disabled copy. Returns the menu to show, or nullptr when the list has none. The copy is
// kept in disabledCopy until the next call.
QMenu *listMenuForEvent(QAbstractItemView *view, const QPoint &viewportPos, QMenu *menu,
                        std::unique_ptr<QMenu> &disabledCopy);

// A copy of the menu (titles, icons, separators, submenus) with every item disabled.
std::unique_ptr<QMenu> disabledMenuCopy(const QMenu &menu);
