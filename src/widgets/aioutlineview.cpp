// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/aioutlineview.h"

#include "widgets/listcontextmenu.h"

#include <QContextMenuEvent>
#include <QMenu>

AIOutLineView::AIOutLineView(QWidget *parent) : QTreeView(parent) {}

AIOutLineView::~AIOutLineView() = default;

QMenu *AIOutLineView::menuForEvent(const QPoint &viewportPos)
{
    return listMenuForEvent(this, viewportPos, m_menu, m_disabledMenu);
}

void AIOutLineView::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint pos = event->reason() == QContextMenuEvent::Mouse
                           ? event->pos()
                           : visualRect(currentIndex()).center();
    if (QMenu *shown = menuForEvent(pos)) {
        shown->popup(event->globalPos());
        event->accept();
    } else {
        QTreeView::contextMenuEvent(event);
    }
}
