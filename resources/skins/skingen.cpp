// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
//
// Draws the skin pictures of the widgets (storage bar, add button, pull-down arrow, view and
// window skins) into the folder given as the only argument. Run by the build; the pictures
// are build outputs, this file is their source.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdio>

namespace {

// Storage bar and legend colours: one hue per kind of data, free space a light grey.
const QColor kAudio(0x3b, 0x82, 0xf6);
const QColor kVideo(0x8b, 0x5c, 0xf6);
const QColor kPhoto(0xea, 0xb3, 0x08);
const QColor kOther(0xf9, 0x73, 0x16);
const QColor kBooks(0x10, 0xb9, 0x81); // the legend's books swatch
const QColor kFree(0xe4, 0xe7, 0xeb);

constexpr int kBarWidth = 400;
constexpr int kBarHeight = 18;

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A whole-bar picture in one colour: rounded ends, a soft gloss over the upper half.
QImage storageBar(const QColor &base, bool free)
{
    QImage image = blank(kBarWidth, kBarHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, kBarWidth - 1.0, kBarHeight - 1.0);
    QPainterPath path;
    path.addRoundedRect(body, 5, 5);

    QLinearGradient fill(0, 0, 0, kBarHeight);
    if (free) {
        // Free space reads as an empty channel: darker at the top, like a recess.
        fill.setColorAt(0.0, base.darker(108));
        fill.setColorAt(0.35, base);
        fill.setColorAt(1.0, base.lighter(104));
    } else {
        fill.setColorAt(0.0, base.lighter(122));
        fill.setColorAt(0.5, base.lighter(104));
        fill.setColorAt(1.0, base.darker(112));
    }
    p.fillPath(path, fill);

    QLinearGradient gloss(0, 1, 0, kBarHeight * 0.5);
    gloss.setColorAt(0.0, QColor(255, 255, 255, free ? 40 : 120));
    gloss.setColorAt(1.0, QColor(255, 255, 255, free ? 0 : 25));
    QPainterPath upper;
    upper.addRoundedRect(QRectF(1.5, 1.5, kBarWidth - 3.0, kBarHeight * 0.5 - 1.0), 4, 4);
    p.fillPath(upper, gloss);

    p.setPen(QPen(free ? base.darker(118) : base.darker(128), 1.0));
    p.drawPath(path);
    return image;
}

enum class ButtonState { Normal, Pressed, Disabled };

// The add button: a rounded key with a book and a plus sign.
QImage addButton(ButtonState state)
{
    constexpr int width = 48;
    constexpr int height = 32;
    QImage image = blank(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, width - 1.0, height - 1.0);
    QPainterPath key;
    key.addRoundedRect(body, 6, 6);

    QColor top(0xfd, 0xfd, 0xfe), bottom(0xe6, 0xe9, 0xee), edge(0xa8, 0xb0, 0xbc);
    QColor ink(0x25, 0x63, 0xeb);
    if (state == ButtonState::Pressed) {
        top = QColor(0xd5, 0xdb, 0xe4);
        bottom = QColor(0xe9, 0xec, 0xf1);
        edge = QColor(0x8a, 0x94, 0xa3);
        ink = QColor(0x1d, 0x4e, 0xd8);
    } else if (state == ButtonState::Disabled) {
        top = QColor(0xf6, 0xf7, 0xf8);
        bottom = QColor(0xee, 0xf0, 0xf2);
        edge = QColor(0xcf, 0xd4, 0xda);
        ink = QColor(0xb4, 0xbb, 0xc5);
    }
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillPath(key, fill);
    p.setPen(QPen(edge, 1.0));
    p.drawPath(key);

    // Pressed keys move their glyph down a pixel.
    p.translate(0, state == ButtonState::Pressed ? 1 : 0);
    // An open book.
    QPainterPath book;
    book.moveTo(7, 12);
    book.cubicTo(11, 10, 15, 10, 19, 12.5);
    book.lineTo(19, 25);
    book.cubicTo(15, 22.5, 11, 22.5, 7, 24.5);
    book.closeSubpath();
    book.moveTo(31, 12);
    book.cubicTo(27, 10, 23, 10, 19, 12.5);
    book.lineTo(19, 25);
    book.cubicTo(23, 22.5, 27, 22.5, 31, 24.5);
    book.closeSubpath();
    QColor page = ink;
    page.setAlpha(40);
    p.setBrush(page);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(book);
    // A plus badge at the upper right.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(38, 9.5), 6, 6);
    p.setPen(QPen(state == ButtonState::Disabled ? QColor(0xf6, 0xf7, 0xf8) : QColor(Qt::white), 1.8,
                  Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(38, 6.5), QPointF(38, 12.5));
    p.drawLine(QPointF(35, 9.5), QPointF(41, 9.5));
    return image;
}

// A plain key for captioned press-and-hold buttons (the caption is drawn by the button).
QImage plainKey()
{
    constexpr int width = 96;
    constexpr int height = 32;
    QImage image = blank(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath key;
    key.addRoundedRect(QRectF(0.5, 0.5, width - 1.0, height - 1.0), 6, 6);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, QColor(0xfd, 0xfd, 0xfe));
    fill.setColorAt(1, QColor(0xe6, 0xe9, 0xee));
    p.fillPath(key, fill);
    p.setPen(QPen(QColor(0xa8, 0xb0, 0xbc), 1.0));
    p.drawPath(key);
    return image;
}

QImage pullDownArrow()
{
    QImage image = blank(13, 13);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(2.5, 4.5);
    arrow.lineTo(10.5, 4.5);
    arrow.lineTo(6.5, 9.5);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0x37, 0x41, 0x51));
    return image;
}

// A 30 x 30 panel for views in corners-and-edges mode (splits 10 and 10): white, a light
// border and rounded corners over a transparent surround.
QImage panelSkin()
{
    QImage image = blank(30, 30);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(0.5, 0.5, 29, 29), 6, 6);
    p.fillPath(panel, QColor(Qt::white));
    p.setPen(QPen(QColor(0xd1, 0xd5, 0xdb), 1.0));
    p.drawPath(panel);
    return image;
}

// A window skin for splits 40 (bottom band) and 15 (left band): a light header gradient in
// the top band that ends in the body colour, and a thin rule along the bottom.
QImage windowSkin()
{
    constexpr int width = 32;
    constexpr int height = 80;
    const QColor body(0xf3, 0xf4, 0xf6);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(body);
    QPainter p(&image);
    QLinearGradient header(0, 0, 0, 40);
    header.setColorAt(0, QColor(0xfd, 0xfd, 0xfe));
    header.setColorAt(1, body);
    p.fillRect(QRect(0, 0, width, 40), header);
    p.fillRect(QRect(0, height - 1, width, 1), QColor(0xd1, 0xd5, 0xdb));
    return image;
}

bool save(const QImage &image, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromUtf8(name));
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "skingen: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    ok &= save(storageBar(kFree, true), dir, "sizebar_free.png");
    ok &= save(storageBar(kAudio, false), dir, "sizebar_audio.png");
    ok &= save(storageBar(kVideo, false), dir, "sizebar_video.png");
    ok &= save(storageBar(kPhoto, false), dir, "sizebar_photo.png");
    ok &= save(storageBar(kOther, false), dir, "sizebar_other.png");
    ok &= save(storageBar(kBooks, false), dir, "sizebar_books.png");
    ok &= save(addButton(ButtonState::Pressed), dir, "mac to ipod-1.png");
    ok &= save(addButton(ButtonState::Normal), dir, "mac to ipod-2.png");
    ok &= save(addButton(ButtonState::Disabled), dir, "mac to ipod-3.png");
    ok &= save(plainKey(), dir, "popup_button.png");
    ok &= save(pullDownArrow(), dir, "popup_arrow.png");
    ok &= save(panelSkin(), dir, "skin_panel.png");
    ok &= save(windowSkin(), dir, "skin_window.png");
    return ok ? 0 : 1;
}
