// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/silder.h"

#include "core/resources.h"
#include "widgets/accessiblewidgets.h"

#include <QDir>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

silder::silder(QWidget *parent) : QWidget(parent)
{
    installAccessibleWidgets();
    loadImages();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

silder::silder(double tatolSize, double freesize, double videosize, double audiosize, double photosize,
               double othersize, QWidget *parent)
    : QWidget(parent), m_ipodSize(tatolSize), m_freeSize(freesize), m_videoSize(videosize),
      m_audioSize(audiosize), m_photoSize(photosize), m_otherSize(othersize)
{
    installAccessibleWidgets();
    loadImages();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void silder::loadImages()
{
    const QString dir = QString::fromStdString(resourceDir());
    if (dir.isEmpty() || !QDir(dir).exists())
        return;
    // An unreadable picture leaves its field null; that part of the bar is then not painted.
    auto load = [&dir](const char *name) { return QImage(dir + u'/' + QLatin1String(name)); };
    m_freeImage = load("sizebar_free.png");
    m_videoImage = load("sizebar_video.png");
    m_audioImage = load("sizebar_audio.png");
    m_photoImage = load("sizebar_photo.png");
    m_otherImage = load("sizebar_other.png");
    m_booksImage = load("sizebar_books.png");
}

// The pictures are the bar: a layout should neither stretch nor squeeze it.
QSize silder::sizeHint() const
{
    if (!m_freeImage.isNull())
        return m_freeImage.size();
    return QSize(400, 18);
}

void silder::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF area(event->rect());
    if (!m_freeImage.isNull())
        painter.drawImage(area, m_freeImage, area);

    // Without a positive total there is nothing to scale by: only the free picture shows.
    if (!(m_ipodSize > 0.0) || !std::isfinite(m_ipodSize))
        return;
    double left = 0.0;
    const struct
    {
        double size;
        const QImage &image;
    } segments[] = {{m_audioSize, m_audioImage},
                    {m_videoSize, m_videoImage},
                    {m_photoSize, m_photoImage},
                    {m_booksSize, m_booksImage},
                    {m_otherSize, m_otherImage}};
    for (const auto &segment : segments) {
        if (!(segment.size > 0.0))
            continue;
        // Each segment scales with its own picture's width, not the widget's.
        const double width = segment.size / m_ipodSize * segment.image.width();
        if (!std::isfinite(width))
            continue;
        const QRectF target(left, area.y(), static_cast<float>(width), area.height());
        if (!segment.image.isNull())
            painter.drawImage(target, segment.image, target);
        left += width;
    }
}
