// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/devicenamecell.h"

#include "widgets/imageandtextcell.h"

DeviceNameCell::DeviceNameCell(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_cell(std::make_unique<ImageAndTextCell>())
{
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
    m_cell->setImage(iconFor(index));
    m_cell->paint(painter, option, index);
}

QSize DeviceNameCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    m_cell->setImage(iconFor(index));
    QSize size = m_cell->sizeHint(option, index);
    size.setHeight(std::max(size.height(), 26)); // room around the 20-pixel icons
    return size;
}
