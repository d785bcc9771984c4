// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/linkbutton.h"

#include "core/appconfigure.h"
#include "widgets/urlopener.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
constexpr int kTextMargin = 10;
}

LinkButton::LinkButton(QWidget *parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    // Layouts keep it at its text's width, as resetCursorRects would.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setLinkAttribute(const QString &link)
{
    setText(link);
    const QString address = link.isEmpty() ? QString::fromUtf8(HomePageUrl) : link;
    m_linkURL = QUrl(address, QUrl::TolerantMode);
    setToolTip(m_linkURL.toDisplayString());
    updateGeometry();
    update();
}

QFont LinkButton::linkFont() const
{
    QFont underlined = font();
    underlined.setUnderline(true);
    return underlined;
}

int LinkButton::titleWidth() const
{
    return static_cast<int>(std::ceil(QFontMetricsF(linkFont()).horizontalAdvance(text())));
}

QSize LinkButton::sizeHint() const
{
    return QSize(titleWidth() + kTextMargin, QFontMetrics(linkFont()).height() + 4);
}

void LinkButton::resetCursorRects()
{
    int width = this->width();
    if (width > titleWidth()) {
        width = titleWidth() + kTextMargin;
        resize(width, height());
    }
    // The whole (narrowed) widget is the hand-cursor area.
    setCursor(Qt::PointingHandCursor);
}

void LinkButton::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    resetCursorRects();
}

void LinkButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void LinkButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setFont(linkFont());
    painter.setPen(palette().color(QPalette::Link));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Link), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LinkButton::mousePressEvent(QMouseEvent *event)
{
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_tracking = true;
}

void LinkButton::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractButton::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    openLink();
}

void LinkButton::openLink()
{
    if (m_linkURL.isValid() && !m_linkURL.isEmpty())
        UrlOpener::open(m_linkURL);
}

void LinkButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            openLink();
        event->accept();
        return;
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            m_spacePressed = true;
        event->accept();
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void LinkButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat() && m_spacePressed) {
            m_spacePressed = false;
            openLink();
        }
        event->accept();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}
