// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QImage>
#include <QStyledItemDelegate>

#include <functional>
#include <memory>

class QFontMetricsF;

// Draws an icon 3 units in from the left of the cell, vertically centred, and the text after
// it, centred vertically and cut off with "..." when it is wider than the room left. The icon
// is the model's decoration for the item when it has one, else the delegate's own image.
// The editor never covers the icon.
class ImageAndTextCell final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    Q_DISABLE_COPY_MOVE(ImageAndTextCell)
    static constexpr int kIconInset = 3;

    explicit ImageAndTextCell(QObject *parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage &image) { m_image = image; }
    // What the cell shows for the model's text (a translation of fixed names, say).
    void setShownText(std::function<QString(const QString &)> shown) { m_shownText = std::move(shown); }
    // The same settings and icon.
    std::unique_ptr<ImageAndTextCell> copyWithZone(QObject *parent = nullptr) const;

    // Where an icon of the given size sits in a cell: 3 in from the left, centred vertically
    // (an odd spare pixel goes above it). The null rectangle without an icon.
    static QRect imageFrameForCellFrame(const QRect &cellFrame, const QSize &iconSize);
    // The text as drawn in the given width: unchanged when it fits, else a head of it
    // followed by "...", or "..." alone when too little fits.
    static QString truncatedText(const QString &text, const QFontMetricsF &metrics, qreal width);

    QImage iconForIndex(const QModelIndex &index, const QStyleOptionViewItem &option) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    void drawInteriorWithFrame(QPainter *painter, const QStyleOptionViewItem &option,
                               const QRect &frame) const;

private:
    QImage m_image;
    std::function<QString(const QString &)> m_shownText;
};
