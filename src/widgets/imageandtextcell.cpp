// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/imageandtextcell.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {
const QString kEllipsis = QStringLiteral("...");
// The text field's own inner margin on each side.
constexpr int kTextPadding = 2;
} // namespace

ImageAndTextCell::ImageAndTextCell(QObject *parent) : QStyledItemDelegate(parent) {}

std::unique_ptr<ImageAndTextCell> ImageAndTextCell::copyWithZone(QObject *parent) const
{
    auto copy = std::make_unique<ImageAndTextCell>(parent);
    copy->setImage(m_image);
    copy->setShownText(m_shownText);
    copy->setItemEditorFactory(itemEditorFactory());
    return copy;
}

QRect ImageAndTextCell::imageFrameForCellFrame(const QRect &cellFrame, const QSize &iconSize)
{
    if (iconSize.isEmpty())
        return {};
    // Rows are laid out top-down here: the icon's bottom sits ceil((H + h) / 2) below the top.
    const int bottom = cellFrame.y() + static_cast<int>(std::ceil((cellFrame.height() + iconSize.height()) / 2.0));
    return QRect(cellFrame.x() + kIconInset, bottom - iconSize.height(), iconSize.width(), iconSize.height());
}

QString ImageAndTextCell::truncatedText(const QString &text, const QFontMetricsF &metrics, qreal width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    qsizetype i = 0;
    while (i < text.size() && metrics.horizontalAdvance(text.left(i)) < width)
        ++i;
    // Keep i - 3 characters; drop more while "..." makes it wider than the room.
    qsizetype kept = i - 3;
    while (kept > 0 && metrics.horizontalAdvance(text.left(kept) + kEllipsis) > width)
        --kept;
    return kept > 0 ? text.left(kept) + kEllipsis : kEllipsis;
}

QImage ImageAndTextCell::iconForIndex(const QModelIndex &index, const QStyleOptionViewItem &option) const
{
    const QVariant decoration = index.data(Qt::DecorationRole);
    switch (decoration.typeId()) {
    case QMetaType::QImage:
        return decoration.value<QImage>();
    case QMetaType::QPixmap:
        return decoration.value<QPixmap>().toImage();
    case QMetaType::QIcon: {
        const QIcon icon = decoration.value<QIcon>();
        const QList<QSize> sizes = icon.availableSizes();
        const QSize size = sizes.isEmpty() ? option.decorationSize : sizes.first();
        return icon.pixmap(size).toImage();
    }
    default:
        return m_image;
    }
}

void ImageAndTextCell::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_shownText)
        option->text = m_shownText(option->text);
    // The icon is placed by this cell, not by the style.
    option->features &= ~QStyleOptionViewItem::HasDecoration;
    option->icon = QIcon();
    option->decorationSize = QSize(0, 0);
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QImage icon = iconForIndex(index, option);
    size.rwidth() += kIconInset + (icon.isNull() ? 0 : icon.width());
    if (!icon.isNull())
        size.setHeight(std::max(size.height(), icon.height()));
    return size;
}

void ImageAndTextCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QStyleOptionViewItem shifted = option;
    const QImage icon = iconForIndex(index, option);
    shifted.rect.setLeft(option.rect.left() + kIconInset + (icon.isNull() ? 0 : icon.width()));
    QStyledItemDelegate::updateEditorGeometry(editor, shifted, index);
}

void ImageAndTextCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    // Background, selection and focus across the whole cell; the text is drawn below.
    QStyleOptionViewItem background = opt;
    background.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    QRect textPart = opt.rect;
    const QImage icon = iconForIndex(index, option);
    if (!icon.isNull()) {
        textPart.setLeft(opt.rect.left() + kIconInset + icon.width());
        painter->save();
        painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter->drawImage(imageFrameForCellFrame(opt.rect, icon.size()), icon);
        painter->restore();
    }
    drawInteriorWithFrame(painter, opt, textPart);
}

void ImageAndTextCell::drawInteriorWithFrame(QPainter *painter, const QStyleOptionViewItem &option,
                                             const QRect &frame) const
{
    if (option.text.isEmpty())
        return;
    const QFontMetricsF metrics(option.font);
    const QRectF room = QRectF(frame).adjusted(kTextPadding, 0, -kTextPadding, 0);
    const qreal height = metrics.height();
    const QRectF textRect(room.x(), frame.y() + (frame.height() - height) * 0.5, room.width(), height);
    const QString shown = truncatedText(option.text, metrics, room.width());

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                                : QPalette::Inactive;
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(frame, Qt::IntersectClip);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter->restore();
}
