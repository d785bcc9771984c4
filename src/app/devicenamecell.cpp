// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/devicenamecell.h"

#include "operations/devicelistmodel.h"
#include "widgets/imageandtextcell.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTreeView>

#include <algorithm>

namespace {

constexpr int kHintPadding = 4;

// A row that cannot be selected only tells something (a hint): it is drawn whole, wrapped to
// the list's width, in the colour of disabled text.
bool isHint(const QModelIndex &index)
{
    return index.isValid() && !(index.flags() & Qt::ItemIsSelectable);
}

int hintWidth(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const auto *view = qobject_cast<const QTreeView *>(option.widget);
    if (!view)
        return std::max(option.rect.width() - 2 * kHintPadding, 80);
    int depth = view->rootIsDecorated() ? 1 : 0;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        ++depth;
    return std::max(view->viewport()->width() - view->indentation() * depth - 2 * kHintPadding, 80);
}

} // namespace

QString shownListName(const QString &name)
{
    return DeviceListModel::shownName(name);
}

DeviceNameCell::DeviceNameCell(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_cell(std::make_unique<ImageAndTextCell>())
{
    m_cell->setShownText(&shownListName);
    if (auto *view = qobject_cast<QTreeView *>(parent))
        view->viewport()->installEventFilter(this);
}

bool DeviceNameCell::eventFilter(QObject *watched, QEvent *event)
{
    // Only the viewport is watched here (the names are never edited): its events go on.
    if (watched != nullptr && event->type() == QEvent::Resize)
        Q_EMIT sizeHintChanged({});
    return false;
}

DeviceNameCell::~DeviceNameCell() = default;

QImage DeviceNameCell::iconFor(const QModelIndex &index) const
{
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.typeId() != QMetaType::QString)
        return {};
    const QString path = decoration.toString();
    auto found = m_pictures.constFind(path);
    if (found != m_pictures.constEnd())
        return *found;
    QImage picture(path); // a missing file gives no icon
    m_pictures.insert(path, picture);
    return picture;
}

void DeviceNameCell::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (isHint(index)) {
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
        painter->drawText(option.rect.adjusted(kHintPadding, kHintPadding, -kHintPadding, -kHintPadding),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, index.data().toString());
        painter->restore();
        return;
    }
    m_cell->setImage(iconFor(index));
    m_cell->paint(painter, option, index);
}

QSize DeviceNameCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (isHint(index)) {
        const int width = hintWidth(option, index);
        const QRect text =
            QFontMetrics(option.font)
                .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, index.data().toString());
        return {width + 2 * kHintPadding, text.height() + 2 * kHintPadding};
    }
    m_cell->setImage(iconFor(index));
    QSize size = m_cell->sizeHint(option, index);
    size.setHeight(std::max(size.height(), 26)); // room around the 20-pixel icons
    return size;
}
