// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QTreeView>

#include <memory>

class QMenu;

// The device list: a right-click selects the row under the pointer unless it is already
// selected before the menu is shown; with nothing selected the menu comes disabled.
class AIOutLineView final : public QTreeView
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(AIOutLineView)
    explicit AIOutLineView(QWidget *parent = nullptr);
    ~AIOutLineView() override;

    QMenu *menu() const { return m_menu; }
    void setMenu(QMenu *menu) { m_menu = menu; }
    QMenu *menuForEvent(const QPoint &viewportPos);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QMenu *m_menu = nullptr;
    std::unique_ptr<QMenu> m_disabledMenu;
};
