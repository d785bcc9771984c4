// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "testimages.h"
#include "widgets/xldrawfunc.h"
#include "widgets/xlview.h"

#include <gtest/gtest.h>

namespace {

const QColor kWindowColour(0x12, 0x34, 0x56);

// A view inside a window whose background colour the tests know.
struct ViewInWindow
{
    ViewInWindow()
    {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, kWindowColour);
        window.setPalette(palette);
        window.resize(100, 100);
        view = new XLView(&window);
        view->setGeometry(10, 10, 30, 20);
    }
    QWidget window;
    XLView *view;
};

bool allPixels(const QImage &image, const QRect &area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

// The four one-pixel edges of a 30 x 20 view.
const QRect kEdges[] = {QRect(0, 0, 30, 1), QRect(0, 19, 30, 1), QRect(0, 0, 1, 20), QRect(29, 0, 1, 20)};

TEST(XLViewBackground, UnsetColourPaintsTheWindowBackgroundButBlackIsHonoured)
{
    ViewInWindow setup;
    EXPECT_TRUE(allPixels(renderWidget(*setup.view), QRect(0, 0, 30, 20), kWindowColour.rgb()));

    setup.view->setColorBackground(QColor(0, 0, 0));
    EXPECT_TRUE(allPixels(renderWidget(*setup.view), QRect(0, 0, 30, 20), qRgb(0, 0, 0)));
}

TEST(XLViewBackground, BorderSurroundsAFillThatStartsOnePixelInside)
{
    ViewInWindow setup;
    setup.view->setDrawBorder(true);
    setup.view->setColorBorder(Qt::red);
    setup.view->setColorBackground(Qt::blue);
    // Tiles reach past their area but never over the border.
    for (const bool tiles : {false, true}) {
        if (tiles) {
            setup.view->setUseBackgroundColor(false);
            setup.view->setImageBackgroundByImage(solidImage(16, 16, Qt::green));
            setup.view->setFillMode(0);
        }
        const QImage drawn = renderWidget(*setup.view);
        for (const QRect &edge : kEdges)
            EXPECT_TRUE(allPixels(drawn, edge, qRgb(255, 0, 0)))
                << tiles << " at " << edge.x() << "," << edge.y();
        const QRgb fill = tiles ? qRgb(0, 255, 0) : qRgb(0, 0, 255);
        EXPECT_TRUE(allPixels(drawn, QRect(1, 1, 28, 18), fill)) << tiles;
    }
}

TEST(XLViewBackground, FillModesAndTheColourSwitch)
{
    ViewInWindow setup;
    XLView &view = *setup.view;
    const QImage skin = codedImage(30, 30);
    view.setImageBackgroundByImage(skin);
    view.resize(60, 40);

    // Mode 2 (the default) composes the skin for the view's size.
    EXPECT_EQ(renderWidget(view), makeImage(skin, QSizeF(60, 40), 10, 10).convertToFormat(QImage::Format_ARGB32));

    view.setFillMode(1);
    const QImage stretched = renderWidget(view);
    EXPECT_EQ(stretched.pixel(0, 0), skin.pixel(0, 0));
    EXPECT_EQ(stretched.pixel(59, 39), skin.pixel(29, 29));

    view.setFillMode(0);
    const QImage tiled = renderWidget(view);
    EXPECT_EQ(tiled.pixel(31, 5), skin.pixel(1, 5));
    EXPECT_EQ(tiled.pixel(5, 35), skin.pixel(5, 5));

    // An unknown mode paints nothing at all.
    view.setFillMode(3);
    EXPECT_TRUE(allPixels(renderWidget(view, Qt::magenta), QRect(0, 0, 60, 40), QColor(Qt::magenta).rgb()));

    // The plain colour wins over the skin.
    view.setFillMode(2);
    view.setColorBackground(Qt::yellow);
    view.setUseBackgroundColor(true);
    EXPECT_TRUE(allPixels(renderWidget(view), QRect(0, 0, 60, 40), qRgb(255, 255, 0)));
}

} // namespace

