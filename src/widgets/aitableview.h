// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QTableView>

#include <memory>

class QMenu;

// Posted on NotificationCenter::defaultCenter() (no object) when a delete key is pressed in
// the book table, after the table has handled the key.
extern const char *const deleteNotification; // "deleteNotification"

// The book table: rows are selected whole; a right-click selects the row under the pointer
// unless it is already selected before the menu is shown (disabled when nothing is selected);
// Backspace and Delete post deleteNotification.
class AITableView final : public QTableView
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(AITableView)
    explicit AITableView(QWidget *parent = nullptr);
    ~AITableView() override;

    QMenu *menu() const { return m_menu; }
    void setMenu(QMenu *menu) { m_menu = menu; }
    // Applies the right-click rule at a viewport position and returns the menu to show.
    QMenu *menuForEvent(const QPoint &viewportPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QMenu *m_menu = nullptr;
    std::unique_ptr<QMenu> m_disabledMenu;
};
