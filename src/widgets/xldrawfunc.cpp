// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/xldrawfunc.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString kEllipsis = QStringLiteral("...");

bool usable(const QImage &image)
{
    return !image.isNull() && image.width() > 0 && image.height() > 0;
}

// Skins are described bottom-up (y = 0 is the bottom edge, y grows upward). This is the one
// place where such a region is turned into the top-down rows of an image or painter.
class BottomUpFrame
{
public:
    explicit BottomUpFrame(qreal height) : m_height(height) {}
    QRectF rect(qreal x, qreal y, qreal w, qreal h) const { return QRectF(x, m_height - y - h, w, h); }
    QRect pixelRect(int x, int y, int w, int h) const
    {
        return QRect(x, static_cast<int>(m_height) - y - h, w, h);
    }
    QPoint pixel(int x, int y) const { return QPoint(x, static_cast<int>(m_height) - 1 - y); }

private:
    qreal m_height;
};

int normaliseSplit(int split, int extent)
{
    // A negative split counts from the far edge.
    if (split < 0) {
        split %= extent;
        if (split < 0)
            split += extent;
    }
    if (split > extent)
        split = extent - 1;
    if (split == 0)
        split = 1;
    return split;
}

} // namespace

void drawBltImage(QPainter &painter, const QImage &image, const QRectF &rect)
{
    if (!usable(image) || rect.width() == 0 || rect.height() == 0)
        return;
    const qreal iw = image.width();
    const qreal ih = image.height();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    const qreal right = rect.x() + rect.width();
    const qreal bottom = rect.y() + rect.height();
    for (qreal x0 = rect.x(); x0 < right; x0 += iw) {
        for (qreal y0 = rect.y(); y0 < bottom; y0 += ih)
            painter.drawImage(QRectF(x0, y0, iw, ih), image);
    }
    painter.restore();
}

void drawStretchImage(QPainter &painter, const QImage &image, const QRectF &rect)
{
    if (!usable(image) || rect.width() == 0 || rect.height() == 0)
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.drawImage(rect, image, QRectF(0, 0, image.width(), image.height()));
    painter.restore();
}

QImage makeImage(const QImage &image, const QSizeF &size, int splitterHorizontal, int splitterVertical)
{
    if (!usable(image) || size.width() == 0 || size.height() == 0)
        return {};
    const int width = qRound(size.width());
    const int height = qRound(size.height());
    if (width <= 0 || height <= 0)
        return {};

    const QImage skin = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int iw = skin.width();
    const int ih = skin.height();
    const int a = normaliseSplit(splitterHorizontal, ih);
    const int b = normaliseSplit(splitterVertical, iw);
    const int topBand = ih - a;
    const int rightBand = iw - b;
    const BottomUpFrame src(ih);
    const BottomUpFrame dst(height);

    // The side edges repeat the row just below the split, the top and bottom edges the
    // column at the split itself. QImage::copy leaves parts outside the skin transparent.
    const QImage leftStrip = skin.copy(src.pixelRect(0, a - 1, b, 1));
    const QImage rightStrip = skin.copy(src.pixelRect(b, a - 1, rightBand, 1));
    const QImage topStrip = skin.copy(src.pixelRect(b, a, 1, topBand));
    const QImage bottomStrip = skin.copy(src.pixelRect(b, 0, 1, a));

    // A split equal to the skin's size points just past it; read the nearest pixel instead.
    const QPoint centre = src.pixel(std::min(b, iw - 1), std::min(a, ih - 1));
    const QColor centreColour = skin.pixelColor(centre);

    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    result.fill(centreColour);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    auto copyCorner = [&](qreal dx, qreal dy, int sx, int sy, int w, int h) {
        if (w <= 0 || h <= 0)
            return;
        painter.drawImage(dst.rect(dx, dy, w, h), skin, src.rect(sx, sy, w, h));
    };
    copyCorner(0, height - topBand, 0, a, b, topBand);                  // top-left
    copyCorner(width - rightBand, height - topBand, b, a, rightBand, topBand); // top-right
    copyCorner(0, 0, 0, 0, b, a);                                        // bottom-left
    copyCorner(width - rightBand, 0, b, 0, rightBand, a);                // bottom-right

    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const qreal sideHeight = (height - topBand) - a;
    const qreal middleWidth = (width - rightBand) - b;
    drawBltImage(painter, leftStrip, dst.rect(0, a, b, sideHeight));
    drawBltImage(painter, topStrip, dst.rect(b, height - topBand, middleWidth, topBand));
    drawBltImage(painter, rightStrip, dst.rect(width - rightBand, a, rightBand, sideHeight));
    drawBltImage(painter, bottomStrip, dst.rect(b, 0, middleWidth, a));
    painter.end();
    return result;
}

void drawBltCornerThenStretchImage(QPainter &painter, const QImage &image, const QRectF &rect,
                                   int splitterHorizontal, int splitterVertical)
{
    const QImage composed = makeImage(image, rect.size(), splitterHorizontal, splitterVertical);
    if (composed.isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.drawImage(rect, composed, QRectF(composed.rect()));
    painter.restore();
}

QString stringByTruncatingStringWithAttributesForWidth(const QString &string, const QFont &attributes,
                                                       float width, int mode)
{
    const QFontMetricsF metrics(attributes);
    return stringByTruncatingStringWithAttributesForWidth(
        string, [&metrics](const QString &text) { return metrics.horizontalAdvance(text); }, width, mode);
}

QString stringByTruncatingStringWithAttributesForWidth(const QString &string,
                                                       const std::function<qreal(const QString &)> &measure,
                                                       float width, int mode)
{
    qreal measured = measure(string);
    if (width >= measured)
        return string;

    const qsizetype n = string.size();
    qsizetype i = mode == TruncateTail ? n - 1 : mode == TruncateHead ? 0 : n / 2;
    qsizetype k = 1;
    QString shortened = string;
    while (measured > width) {
        // "<= 1" rather than "0 or 1": an empty string in tail mode would start at -1.
        if (mode != TruncateHead && i <= 1)
            return kEllipsis;
        shortened = string;
        shortened.replace(i, k, kEllipsis);
        ++k;
        measured = measure(shortened);
        if (mode == TruncateTail)
            --i;
        else if (mode != TruncateHead && k % 2 == 0)
            --i; // the middle cut grows to the right and to the left in turn
        if (k + i > n)
            return kEllipsis;
    }
    return shortened;
}
