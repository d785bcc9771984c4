// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

class QFont;
class QPainter;

// Skin painting for the skinnable views and windows.
//
// Rectangles are in the painter's own coordinates (origin top-left). The two splits keep
// their skin meaning: splitterHorizontal is the height of the skin's bottom band, counted up
// from its bottom edge, and splitterVertical the width of its left band. The conversion from
// that bottom-up description to image rows happens inside makeImage only.
//
// An image is usable when it is not null and has a positive size; every function draws
// nothing (or returns a null image) otherwise, or when the area has a zero width or height.

// Tiles the image from the rectangle's top-left corner, columns left to right, rows downward.
// Edge tiles are not clipped: the last column and row may reach past the rectangle.
void drawBltImage(QPainter &painter, const QImage &image, const QRectF &rect);

// Draws the whole image scaled to the rectangle.
void drawStretchImage(QPainter &painter, const QImage &image, const QRectF &rect);

// A new image of the given size composed of the skin's four corners (unscaled), its four
// one-pixel edge strips (repeated) and its centre colour. Null on bad input.
QImage makeImage(const QImage &image, const QSizeF &size, int splitterHorizontal, int splitterVertical);

// makeImage for the rectangle's size, drawn into the rectangle.
void drawBltCornerThenStretchImage(QPainter &painter, const QImage &image, const QRectF &rect,
                                   int splitterHorizontal, int splitterVertical);

// Line-break truncation modes, with the values callers store.
enum TruncationMode : int { TruncateHead = 3, TruncateTail = 4, TruncateMiddle = 5 };

// Shortens the string with "..." until it is no wider than width. Any mode other than head
// (3) and tail (4) cuts the middle. Returns the string itself when it fits, and "..." alone
// when too little of it can be kept.
QString stringByTruncatingStringWithAttributesForWidth(const QString &string, const QFont &attributes,
                                                       float width, int mode);
// The same with the measuring function given (text width in drawing units).
QString stringByTruncatingStringWithAttributesForWidth(const QString &string,
                                                       const std::function<qreal(const QString &)> &measure,
                                                       float width, int mode);
