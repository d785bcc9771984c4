// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/xlwindow.h"

#include "widgets/xldrawfunc.h"

#include <QMetaMethod>
#include <QPainter>
#include <QResizeEvent>

namespace {

void refreshIfAble(QObject *object)
{
    const QMetaObject *meta = object->metaObject();
    const int index = meta->indexOfMethod("refreshLanguage()");
    if (index >= 0)
        meta->method(index).invoke(object, Qt::DirectConnection);
}

} // namespace

XLWindow::XLWindow(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags) {}

void XLWindow::setImageBackground(const QImage &image)
{
    m_imageBackground = image;
    rebuildBackground();
}

bool XLWindow::setImageBackgroundByPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    QImage loaded(path);
    if (loaded.isNull())
        return false;
    m_imageBackground = std::move(loaded);
    rebuildBackground();
    return true;
}

void XLWindow::windowDidResize()
{
    rebuildBackground();
}

void XLWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    windowDidResize();
}

void XLWindow::rebuildBackground()
{
    const QSize size = this->size();
    QImage picture;
    if (!m_imageBackground.isNull() && !size.isEmpty()) {
        switch (m_fillMode) {
        case 0:
        case 1: {
            picture = QImage(size, QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::transparent);
            QPainter painter(&picture);
            if (m_fillMode == 0)
                drawBltImage(painter, m_imageBackground, QRectF(QPointF(0, 0), size));
            else
                drawStretchImage(painter, m_imageBackground, QRectF(QPointF(0, 0), size));
            break;
        }
        case 2:
            picture = makeImage(m_imageBackground, size, m_splitterHorizontal, m_splitterVertical);
            break;
        default:
            break;
        }
    }
    // No picture (no skin, an unknown mode): the current background stays.
    if (!picture.isNull()) {
        QPalette palette = this->palette();
        palette.setBrush(QPalette::Window, QBrush(picture));
        setPalette(palette);
        setAutoFillBackground(true);
    }
    update();
}

void XLWindow::refreshLanguage()
{
    // The main window's own children (central widget, bars, docks) form its content.
    for (QObject *child : children()) {
        if (child->isWidgetType() && !static_cast<QWidget *>(child)->isWindow())
            refreshIfAble(child);
    }
    for (QObject *child : children()) {
        if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
            refreshIfAble(child);
    }
}

void XLWindow::loadSkin(QObject *skin)
{
    Q_UNUSED(skin);
}
