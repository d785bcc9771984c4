// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QHash>
#include <QImage>
#include <QStyledItemDelegate>

#include <memory>

class ImageAndTextCell;

// A name of the device list as the list shows it: the list's own fixed names (its shelves, the
// line shown without a device), which the model holds in English for the command line too,
// translated; the names of devices and apps as they are.
QString shownListName(const QString &name);

// The device list's name column: an ImageAndTextCell whose icon is the node's picture,
// which the device list hands over as a file path. Pictures are read once and kept. A row
// that cannot be selected is a hint, drawn wrapped to the list's width.
class DeviceNameCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit DeviceNameCell(QObject *parent = nullptr);
    ~DeviceNameCell() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    // A hint's height follows the list's width: a resize lays the rows out again.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QImage iconFor(const QModelIndex &index) const;

    std::unique_ptr<ImageAndTextCell> m_cell;
    mutable QHash<QString, QImage> m_pictures;
};
