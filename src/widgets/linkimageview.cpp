// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/linkimageview.h"

#include "core/appconfigure.h"
#include "core/resources.h"
#include "widgets/urlopener.h"

#include <QMouseEvent>
#include <QPixmap>

linkImageView::linkImageView(QWidget *parent) : QLabel(parent)
{
    // A missing logo leaves the picture empty.
    m_bgImage = QImage(QString::fromStdString(resourcePath("logolink.png")));
    if (!m_bgImage.isNull())
        setPixmap(QPixmap::fromImage(m_bgImage));
    m_linkURL = QUrl(QString::fromUtf8(HomePageUrl));
    setCursor(Qt::PointingHandCursor);
}

void linkImageView::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && m_linkURL.isValid() && !m_linkURL.isEmpty())
        UrlOpener::open(m_linkURL);
}
