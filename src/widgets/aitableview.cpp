// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/aitableview.h"

#include "core/notificationcenter.h"
#include "widgets/listcontextmenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

const char *const deleteNotification = "deleteNotification";

namespace {

bool isDeleteKey(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    // Events made from characters alone: DEL (127) and the forward-delete function key.
    const QString text = event->text();
    return !text.isEmpty() && (text.front() == QChar(0x7f) || text.front() == QChar(0xF728));
}

} // namespace

AITableView::AITableView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

AITableView::~AITableView() = default;

void AITableView::keyPressEvent(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
    if (isDeleteKey(event))
        NotificationCenter::defaultCenter().postNotificationName(deleteNotification);
}

QMenu *AITableView::menuForEvent(const QPoint &viewportPos)
{
    return listMenuForEvent(this, viewportPos, m_menu, m_disabledMenu);
}

void AITableView::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint pos = event->reason() == QContextMenuEvent::Mouse
                           ? event->pos()
                           : visualRect(currentIndex()).center();
    if (QMenu *shown = menuForEvent(pos)) {
        shown->popup(event->globalPos());
        event->accept();
    } else {
        QTableView::contextMenuEvent(event);
    }
}
