// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "testimages.h"
#include "widgets/xldrawfunc.h"

#include <QPainter>
#include <gtest/gtest.h>

// The skinned view and window draw their backgrounds with these, and only the gallery shows
// those (no part of the program draws with them): its pictures show the tiling and stretching.
// Here the composition, and the splits and empty targets that must neither read outside the
// skin nor draw at all.

namespace {

// Skins are described bottom-up; these read an image at bottom-up coordinates.
QRgb skinAt(const QImage &image, int x, int yUp)
{
    return image.pixel(x, image.height() - 1 - yUp);
}

TEST(MakeImage, ComposesCornersEdgesAndCentreOf30x30SkinAt100x60)
{
    const QImage skin = codedImage(30, 30);
    const QImage out = makeImage(skin, QSizeF(100, 60), 10, 10);
    ASSERT_EQ(out.size(), QSize(100, 60));

    // Every target pixel, bottom-up: corners unscaled, side edges the skin's row 9, top and
    // bottom edges its column 10, the rest the skin pixel (10, 10).
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 100; ++x) {
            const int sx = x < 10 ? x : x >= 80 ? x - 70 : 10;
            const int sy = y < 10 ? y : y >= 40 ? y - 30 : (x < 10 || x >= 80) ? 9 : 10;
            ASSERT_EQ(skinAt(out, x, y), skinAt(skin, sx, sy)) << "at " << x << "," << y;
        }
    }
    // The skin's bottom band is still at the bottom of the picture.
    EXPECT_EQ(out.pixel(0, 59), skin.pixel(0, 29));
    EXPECT_EQ(out.pixel(99, 0), skin.pixel(29, 0));
}

TEST(MakeImage, NormalisesSplits)
{
    const QImage skin = codedImage(30, 30);
    const QSizeF size(70, 50);
    // Negative counts from the top (or right) edge.
    EXPECT_EQ(makeImage(skin, size, -5, 10), makeImage(skin, size, 25, 10));
    EXPECT_EQ(makeImage(skin, size, 10, -5), makeImage(skin, size, 10, 25));
    EXPECT_EQ(makeImage(skin, size, -35, 10), makeImage(skin, size, 25, 10));
    // Zero is read as one, more than the size as size - 1.
    EXPECT_EQ(makeImage(skin, size, 0, 10), makeImage(skin, size, 1, 10));
    EXPECT_EQ(makeImage(skin, size, 10, 0), makeImage(skin, size, 10, 1));
    EXPECT_EQ(makeImage(skin, size, 31, 10), makeImage(skin, size, 29, 10));
    EXPECT_EQ(makeImage(skin, size, 10, 500), makeImage(skin, size, 10, 29));
    EXPECT_NE(makeImage(skin, size, 10, 10), makeImage(skin, size, 11, 10));

    // A split equal to the size stays: the whole skin is the bottom band, and the centre
    // colour comes from the nearest pixel instead of one past the skin.
    const QImage full = makeImage(skin, size, 30, 10);
    ASSERT_FALSE(full.isNull());
    EXPECT_EQ(skinAt(full, 0, 0), skinAt(skin, 0, 0));
    EXPECT_EQ(skinAt(full, 0, 29), skinAt(skin, 0, 29));
    EXPECT_EQ(skinAt(full, 30, 35), skinAt(skin, 10, 29));
}

TEST(MakeImage, RejectsEmptyTargetsAndImages)
{
    const QImage skin = codedImage(30, 30);
    EXPECT_TRUE(makeImage(skin, QSizeF(0, 60), 10, 10).isNull());
    EXPECT_TRUE(makeImage(skin, QSizeF(100, 0), 10, 10).isNull());
    EXPECT_TRUE(makeImage(skin, QSizeF(-100, 60), 10, 10).isNull());
    EXPECT_TRUE(makeImage(QImage(), QSizeF(100, 60), 10, 10).isNull());

    QImage canvas = solidImage(40, 40, Qt::white);
    const QImage before = canvas;
    QPainter painter(&canvas);
    drawBltCornerThenStretchImage(painter, skin, QRectF(5, 5, 0, 30), 10, 10);
    drawBltCornerThenStretchImage(painter, QImage(), QRectF(5, 5, 30, 30), 10, 10);
    drawBltImage(painter, skin, QRectF(5, 5, 30, 0));
    drawStretchImage(painter, QImage(), QRectF(5, 5, 30, 30));
    painter.end();
    EXPECT_EQ(canvas, before);
}

} // namespace
