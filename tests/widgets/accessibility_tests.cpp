// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// What screen readers are told of the skinned widgets, read through Qt's accessibility
// interfaces (what the accessibility bus bridge reads).
#include "core/notificationcenter.h"
#include "widgets/silder.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Counts the clicks the button posts.
struct ClickCounter
{
    explicit ClickCounter(XLPopupMenuButton *button)
    {
        NotificationCenter::defaultCenter().addObserver(
            this, XLButtonClickedNotification, [this, button](const Notification &n) {
                if (n.object == button && !button->needPopupMenu())
                    ++clicks;
            });
    }
    ~ClickCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int clicks = 0;
};

} // namespace

TEST(Accessibility, PopupButtonIsAPushButtonThatKeysAndReadersPress)
{
    XLPopupMenuButton button;
    button.setAccessibleName(QStringLiteral("Add Books"));
    button.resize(48, 32);
    button.show();
    ClickCounter counter(&button);

    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::PushButton);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Add Books"));
    EXPECT_TRUE(face->state().focusable);
    QAccessibleActionInterface *actions = face->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    // A reader's press, Space and Return each click once; the timer is not involved.
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_Return);
    EXPECT_EQ(counter.clicks, 3);
    EXPECT_EQ(button.focusPolicy(), Qt::StrongFocus);

    // Disabled, it offers no press and ignores the keys.
    button.setEnabled(false);
    EXPECT_TRUE(face->state().disabled);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(counter.clicks, 3);

    // Without a name from its form, its caption names it.
    XLPopupMenuButton untitled;
    untitled.setTitle(QStringLiteral("Import"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&untitled)->text(QAccessible::Name),
              QStringLiteral("Import"));
}

TEST(Accessibility, StorageBarReportsUseAndSegments)
{
    silder bar;
    bar.setAccessibleName(QStringLiteral("Storage"));
    bar.setAccessibleDescription(QStringLiteral("Photos 1.2 GB, Books 300 MB, Free 10 GB"));
    bar.ipodSize(16e9);
    bar.freeSize(10e9);
    bar.photoSize(1.2e9);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::ProgressBar);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Storage"));
    EXPECT_EQ(face->text(QAccessible::Description),
              QStringLiteral("Photos 1.2 GB, Books 300 MB, Free 10 GB"));
    QAccessibleValueInterface *value = face->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 6e9); // the bytes in use
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 16e9);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0.0);

    // A device that reports more free bytes than it has, or no total, is not read as a negative use.
    bar.freeSize(20e9);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.0);
    bar.ipodSize(0);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 0.0);
}
