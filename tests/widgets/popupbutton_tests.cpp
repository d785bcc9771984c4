// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "testimages.h"
#include "widgets/xlpopupmenubutton.h"

#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

const QColor kNormal(200, 0, 0);
const QColor kPressed(0, 200, 0);
const QColor kDisabled(0, 0, 200);

// A shown button on a clock the test moves by hand, and a record of what it posted. The
// clock counts its readings, so a test can wait for the hold timer to have ticked.
class PopupButton : public ::testing::Test
{
protected:
    void SetUp() override
    {
        button.setImageSelected(solidImage(4, 4, kPressed));
        button.setImage(solidImage(4, 4, kNormal));
        button.setImageDisabled(solidImage(4, 4, kDisabled));
        button.setClock([this] {
            ++readings;
            return now;
        });
        button.resize(60, 30);
        button.show();
        NotificationCenter::defaultCenter().addObserver(this, XLButtonClickedNotification,
                                                        [this](const Notification &n) {
                                                            reports.push_back({n.object, button.needPopupMenu()});
                                                        });
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(this); }

    QRgb centre() { return renderWidget(button).pixel(30, 15); }
    bool ticksPass(int count)
    {
        const int target = readings + count;
        return processMainEventsUntil([&] { return readings >= target; });
    }

    struct Report
    {
        const void *object;
        bool hold;
    };
    XLPopupMenuButton button;
    double now = 1000;
    int readings = 0;
    std::vector<Report> reports;
};

TEST_F(PopupButton, ShortPressIsReportedOnceAsAClickAfterTheRelease)
{
    EXPECT_EQ(centre(), kNormal.rgb());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_TRUE(button.isWatchingPress());
    EXPECT_EQ(button.state(), 1);
    EXPECT_EQ(centre(), kPressed.rgb());

    now += 100;
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_EQ(centre(), kNormal.rgb());
    // The click is reported by the next tick of the hold timer, not by the release itself.
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(processMainEventsUntil([&] { return !reports.empty(); }));
    EXPECT_FALSE(button.isWatchingPress());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].object, &button);
    EXPECT_FALSE(reports[0].hold);
    EXPECT_FALSE(button.needPopupMenu());
}

TEST_F(PopupButton, PressHeldForHalfASecondIsReportedOnceAsAHold)
{
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(30, 15));
    ASSERT_TRUE(ticksPass(3));
    now += 499;
    ASSERT_TRUE(ticksPass(3));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(button.isWatchingPress());

    now += 1;
    ASSERT_TRUE(processMainEventsUntil([&] { return !reports.empty(); }));
    EXPECT_FALSE(button.isWatchingPress());
    EXPECT_EQ(centre(), kPressed.rgb()); // still down

    now += 1500;
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(30, 15));
    QCoreApplication::processEvents();
    EXPECT_FALSE(button.isWatchingPress());
    EXPECT_EQ(centre(), kNormal.rgb());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].hold);
    EXPECT_EQ(reports[0].object, &button);

    // The next short press is a click again.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_FALSE(button.needPopupMenu());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(30, 15));
    ASSERT_TRUE(processMainEventsUntil([&] { return reports.size() == 2; }));
    EXPECT_FALSE(reports[1].hold);
}

// A press of another mouse button, or any press on a disabled button, does nothing.
TEST_F(PopupButton, OtherButtonsAndADisabledButtonDoNotPress)
{
    QTest::mousePress(&button, Qt::RightButton, {}, QPoint(30, 15));
    EXPECT_FALSE(button.isWatchingPress());
    EXPECT_EQ(button.state(), 0);
    QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(30, 15));

    button.setEnabled(false);
    EXPECT_EQ(centre(), kDisabled.rgb());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_FALSE(button.isWatchingPress());
    EXPECT_EQ(button.state(), 0);
    now += 2000;
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(30, 15));
    QCoreApplication::processEvents();
    EXPECT_TRUE(reports.empty());
}

} // namespace
