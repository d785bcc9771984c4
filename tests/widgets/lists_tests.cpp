// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/notificationcenter.h"
#include "testimages.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/imageandtextcell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Room for the icon three in. (Editing, the model's own decoration and the copy serve no part
// of the program: the device list's cell hands the icon over and edits nothing.)
TEST(ImageAndTextCellLayout, ReservesThreePlusTheIcon)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("iPhone")));
    const QModelIndex index = model.index(0, 0);
    ImageAndTextCell cell;
    QStyleOptionViewItem option;
    option.rect = QRect(10, 0, 200, 20);
    option.font = QApplication::font();
    const int plainWidth = QStyledItemDelegate().sizeHint(option, index).width();
    EXPECT_EQ(cell.sizeHint(option, index).width(), plainWidth + 3);
    cell.setImage(solidImage(16, 16, Qt::red));
    EXPECT_EQ(cell.sizeHint(option, index).width(), plainWidth + 19);
}

TEST(ImageAndTextCellText, TooWideTextEndsInDotsAndFitsTheColumn)
{
    const QFontMetricsF metrics(QApplication::font());
    const QString fits = QStringLiteral("Book");
    EXPECT_EQ(ImageAndTextCell::truncatedText(fits, metrics, metrics.horizontalAdvance(fits)), fits);

    const QString title = QStringLiteral("A Tale of Two Cities, Illustrated Edition");
    for (qreal width : {40.0, 80.0, 150.0}) {
        const QString shown = ImageAndTextCell::truncatedText(title, metrics, width);
        EXPECT_TRUE(shown.endsWith(QStringLiteral("..."))) << width;
        EXPECT_TRUE(title.startsWith(shown.chopped(3))) << width;
        EXPECT_LE(metrics.horizontalAdvance(shown), width) << width;
    }
    // Room for fewer than three characters: the dots alone.
    EXPECT_EQ(ImageAndTextCell::truncatedText(title, metrics, metrics.horizontalAdvance(QStringLiteral("A"))),
              QStringLiteral("..."));
}

TEST(ImageAndTextCellDrawing, DrawsTheIconLeftOfTheTextAndNothingForEmptyText)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("My iPad")));
    model.appendRow(new QStandardItem(QString()));
    ImageAndTextCell cell;
    cell.setImage(solidImage(16, 16, Qt::magenta));

    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 120, 20);
    option.font = QApplication::font();
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled;
    QImage canvas = solidImage(120, 20, Qt::white);
    QPainter painter(&canvas);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();

    // The icon three in and centred: from (3, 2) to (18, 17).
    const QRgb icon = QColor(Qt::magenta).rgb();
    for (const QPoint inside : {QPoint(3, 2), QPoint(18, 17)})
        EXPECT_EQ(canvas.pixel(inside), icon) << inside.x() << "," << inside.y();
    for (const QPoint outside : {QPoint(2, 2), QPoint(19, 17), QPoint(3, 1)})
        EXPECT_NE(canvas.pixel(outside), icon) << outside.x() << "," << outside.y();
    auto inkRight = [](const QImage &image, int from) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = from; x < image.width(); ++x)
                if (image.pixel(x, y) != QColor(Qt::white).rgb())
                    return true;
        return false;
    };
    EXPECT_TRUE(inkRight(canvas, 19)); // the text

    QImage empty = solidImage(120, 20, Qt::white);
    QPainter emptyPainter(&empty);
    cell.paint(&emptyPainter, option, model.index(1, 0));
    emptyPainter.end();
    EXPECT_FALSE(inkRight(empty, 19));
}

// A table of five rows with a context menu, and a count of delete notifications.
class BookTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int row = 0; row < 5; ++row)
            model.appendRow({new QStandardItem(QStringLiteral("Book %1").arg(row)), new QStandardItem(QStringLiteral("Author"))});
        table.setModel(&model);
        table.resize(300, 300);
        menu.addAction(QStringLiteral("Export"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("Delete"));
        table.setMenu(&menu);
        table.show();
        NotificationCenter::defaultCenter().addObserver(this, deleteNotification,
                                                        [this](const Notification &) { ++deletes; });
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(this); }

    QPoint rowPoint(int row) { return table.visualRect(model.index(row, 0)).center(); }
    void selectRows(std::initializer_list<int> rows)
    {
        table.clearSelection();
        for (int row : rows)
            table.selectionModel()->select(model.index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<int> selectedRows()
    {
        std::vector<int> rows;
        for (const QModelIndex &index : table.selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    QStandardItemModel model;
    AITableView table;
    QMenu menu;
    int deletes = 0;
};

// The two keys and their character forms delete; other keys, and a dead key that carries no
// characters, do not.
TEST_F(BookTable, DeleteKeysPostOnceEachOtherKeysNothing)
{
    const struct
    {
        Qt::Key key;
        QString text;
        int deletes;
    } keys[] = {{Qt::Key_Backspace, QStringLiteral("\b"), 1},    {Qt::Key_Delete, QString(QChar(0x7f)), 1},
                {Qt::Key_A, QStringLiteral("a"), 0},             {Qt::Key_Return, QStringLiteral("\r"), 0},
                {Qt::Key_Dead_Acute, QString(), 0},              {Qt::Key_unknown, QString(QChar(0x7f)), 1},
                {Qt::Key_unknown, QString(QChar(0xF728)), 1}};
    for (const auto &row : keys) {
        deletes = 0;
        QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier, row.text);
        QApplication::sendEvent(&table, &press);
        EXPECT_EQ(deletes, row.deletes) << row.key;
    }
}

// A right click inside the selection keeps it; on another row it selects that row alone.
TEST_F(BookTable, RightClickSelectsAnUnselectedRowAloneAndKeepsASelectionItIsIn)
{
    selectRows({0, 1, 2});
    EXPECT_EQ(table.menuForEvent(rowPoint(1)), &menu);
    EXPECT_EQ(selectedRows(), std::vector<int>({0, 1, 2}));
    EXPECT_EQ(table.menuForEvent(rowPoint(4)), &menu);
    EXPECT_EQ(selectedRows(), std::vector<int>({4}));
    EXPECT_EQ(table.currentIndex().row(), 4);
}

TEST_F(BookTable, RightClickBelowTheRowsKeepsTheSelectionOrOffersADisabledMenu)
{
    const QPoint below(10, table.visualRect(model.index(4, 0)).bottom() + 40);
    selectRows({3});
    EXPECT_EQ(table.menuForEvent(below), &menu);
    EXPECT_EQ(selectedRows(), std::vector<int>({3}));

    table.clearSelection();
    QMenu *offered = table.menuForEvent(below);
    ASSERT_NE(offered, nullptr);
    ASSERT_NE(offered, &menu);
    ASSERT_EQ(offered->actions().size(), 3);
    EXPECT_EQ(offered->actions()[0]->text(), QStringLiteral("Export"));
    EXPECT_TRUE(offered->actions()[1]->isSeparator());
    EXPECT_EQ(offered->actions()[2]->text(), QStringLiteral("Delete"));
    for (QAction *action : offered->actions())
        EXPECT_FALSE(action->isEnabled() && !action->isSeparator());
    // The list's own menu stays as it was.
    for (QAction *action : menu.actions())
        EXPECT_TRUE(action->isEnabled());
}

TEST_F(BookTable, ContextMenuEventShowsTheMenuForTheClickedRow)
{
    const QPoint point = rowPoint(3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, table.viewport()->mapToGlobal(point));
    QApplication::sendEvent(table.viewport(), &event);
    EXPECT_EQ(selectedRows(), std::vector<int>({3}));
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}

TEST(DeviceList, RightClickSelectsTheRowUnderThePointerAlone)
{
    QStandardItemModel model;
    auto *device = new QStandardItem(QStringLiteral("iPhone"));
    device->appendRow(new QStandardItem(QStringLiteral("iTunes Books")));
    device->appendRow(new QStandardItem(QStringLiteral("Custom Books")));
    model.appendRow(device);
    AIOutLineView outline;
    outline.setModel(&model);
    outline.expandAll();
    outline.resize(200, 200);
    QMenu menu;
    menu.addAction(QStringLiteral("Eject"));
    outline.setMenu(&menu);
    outline.show();

    const QModelIndex custom = model.index(1, 0, model.index(0, 0));
    outline.selectionModel()->select(model.index(0, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(outline.menuForEvent(outline.visualRect(custom).center()), &menu);
    const QModelIndexList selected = outline.selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0], custom);

    outline.clearSelection();
    QMenu *offered = outline.menuForEvent(QPoint(10, 190));
    ASSERT_NE(offered, &menu);
    ASSERT_EQ(offered->actions().size(), 1);
    EXPECT_FALSE(offered->actions()[0]->isEnabled());
}

} // namespace
