// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/appconfigure.h"
#include "tempdir.h"
#include "testimages.h"
#include "widgets/linkbutton.h"
#include "widgets/linkimageview.h"
#include "widgets/urlopener.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Records the addresses the link controls ask to open instead of starting a browser.
class Links : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = UrlOpener::setHandler([this](const QUrl &url) { opened.push_back(url); });
    }
    void TearDown() override { UrlOpener::setHandler(std::move(m_previous)); }

    std::vector<QUrl> opened;

private:
    UrlOpener::Handler m_previous;
};

// The button opens its address when the press ends, wherever released; an empty link has no
// title and opens the home page.
TEST_F(Links, ButtonOpensItsAddressWhenThePressEndsWhereverReleased)
{
    const QString home = QString::fromUtf8(HomePageUrl);
    const QString books = QStringLiteral("https://example.org/books");
    const struct
    {
        QString address, url;
    } rows[] = {{books, books}, {QString(), home}};
    for (const auto &[address, url] : rows) {
        opened.clear();
        LinkButton button;
        button.setLinkAttribute(address);
        EXPECT_EQ(button.text(), address);
        EXPECT_EQ(button.linkURL(), QUrl(url));
        button.resize(200, 20);
        button.show();
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(opened.empty());
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(500, 300));
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl(url));

        // A release without a press on the button, or another mouse button, opens nothing.
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(&button, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_EQ(opened.size(), 1u);
    }
}

TEST_F(Links, ButtonShrinksToItsTextWidthPlusTen)
{
    LinkButton button;
    button.setLinkAttribute(QStringLiteral("Support"));
    QFont underlined = button.font();
    underlined.setUnderline(true);
    const int textWidth = static_cast<int>(std::ceil(QFontMetricsF(underlined).horizontalAdvance(button.text())));
    ASSERT_LT(textWidth, 190);

    button.resize(200, 22);
    button.resetCursorRects();
    EXPECT_EQ(button.size(), QSize(textWidth + 10, 22));
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);

    // A layout gives it the same width.
    QWidget row;
    auto *layout = new QHBoxLayout(&row);
    auto *inLayout = new LinkButton;
    inLayout->setLinkAttribute(QStringLiteral("Support"));
    layout->addWidget(inLayout);
    row.resize(400, 40);
    row.show();
    EXPECT_EQ(inLayout->width(), textWidth + 10);

    // Narrower than its text: left as it is.
    button.resize(textWidth - 5, 22);
    button.resetCursorRects();
    EXPECT_EQ(button.width(), textWidth - 5);
}

TEST_F(Links, LogoShowsItsPictureAndOpensTheHomePageOnPress)
{
    TempDir resources;
    const QByteArray previous = qgetenv("BOOKFERRY_RESOURCES");
    qputenv("BOOKFERRY_RESOURCES", QByteArray::fromStdString(resources.path()));

    linkImageView withoutLogo;
    EXPECT_TRUE(withoutLogo.bgImage().isNull());

    ASSERT_TRUE(solidImage(24, 12, Qt::darkCyan).save(QString::fromStdString(resources.file("logolink.png"))));
    linkImageView logo;
    qputenv("BOOKFERRY_RESOURCES", previous);
    EXPECT_EQ(logo.bgImage().size(), QSize(24, 12));
    EXPECT_EQ(logo.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(logo.linkURL(), QUrl(QString::fromUtf8(HomePageUrl)));

    logo.resize(24, 12);
    logo.show();
    QTest::mousePress(&logo, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QString::fromUtf8(HomePageUrl)));
    QTest::mouseRelease(&logo, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(opened.size(), 1u);
}

} // namespace
