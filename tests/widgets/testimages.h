// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// Small pictures whose pixels tests can predict.

inline QImage solidImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Every pixel a different opaque colour: red from x, green from y.
inline QImage codedImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), 90));
    return image;
}

// What the widget paints (children included) over a canvas of the given colour; areas the
// widget leaves alone keep the canvas colour.
inline QImage renderWidget(QWidget &widget, QColor canvas = QColor(1, 2, 3))
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(canvas);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Readable strings in test failure messages.
#include <ostream>
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
