// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/xlpopupmenubutton.h"

#include "core/notificationcenter.h"
#include "widgets/accessiblewidgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <chrono>

const char *const XLButtonClickedNotification = "XLButtonClicked";

namespace {

constexpr double kHoldMilliSeconds = 500.0;
constexpr int kTickMilliSeconds = 10;
constexpr int kArrowSize = 13;
constexpr int kArrowInset = 4;

double monotonicMilliSeconds()
{
    // A monotonic clock: a change of the wall clock during a press must not turn a click into
    // a hold or hold one back.
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

XLPopupMenuButton::XLPopupMenuButton(QWidget *parent) : QWidget(parent), m_clock(monotonicMilliSeconds)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    installAccessibleWidgets();
    setFocusPolicy(Qt::StrongFocus);
    m_timerPopupMenu.setInterval(kTickMilliSeconds);
    connect(&m_timerPopupMenu, &QTimer::timeout, this, &XLPopupMenuButton::timerNeedPopupMenu);
}

void XLPopupMenuButton::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(monotonicMilliSeconds);
}

void XLPopupMenuButton::setState(int state)
{
    m_state = state;
    update();
}

void XLPopupMenuButton::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void XLPopupMenuButton::setImage(const QImage &image)
{
    m_image = image;
    m_state = 0;
    updateGeometry(); // the normal image gives the button its natural size
}

void XLPopupMenuButton::setImageSelected(const QImage &image)
{
    m_imageSelected = image;
    m_state = 1;
}

void XLPopupMenuButton::setImageDisabled(const QImage &image)
{
    m_imageDisabled = image;
}

void XLPopupMenuButton::setImagePullDown(const QImage &image)
{
    m_imagePullDown = image;
}

QSize XLPopupMenuButton::sizeHint() const
{
    return m_image.isNull() ? QSize(80, 28) : m_image.size();
}

void XLPopupMenuButton::startSnatchTimerWithWindowTitle()
{
    m_timerPopupMenu.start();
}

void XLPopupMenuButton::stopTimer()
{
    m_timerPopupMenu.stop();
}

void XLPopupMenuButton::mousePressEvent(QMouseEvent *event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QWidget::mousePressEvent(event);
    event->accept();
    m_releaseMouseButton = false;
    m_needPopupMenu = false;
    m_state = 1;
    update();
    m_startMilliSeconds = m_clock();
    startSnatchTimerWithWindowTitle();
}

void XLPopupMenuButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_state = 0;
    update();
    QWidget::mouseReleaseEvent(event);
    event->accept();
    m_releaseMouseButton = true;
}

void XLPopupMenuButton::click()
{
    if (isEnabled())
        report(false);
}

void XLPopupMenuButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (!event->isAutoRepeat() && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
        && isEnabled()) {
        event->accept();
        click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void XLPopupMenuButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void XLPopupMenuButton::timerNeedPopupMenu()
{
    if (m_releaseMouseButton) {
        report(false);
        return;
    }
    if (m_clock() - m_startMilliSeconds < kHoldMilliSeconds)
        return;
    m_releaseMouseButton = true;
    report(true);
}

void XLPopupMenuButton::report(bool hold)
{
    stopTimer();
    m_needPopupMenu = hold;
    NotificationCenter::defaultCenter().postNotificationName(XLButtonClickedNotification, this);
}

void XLPopupMenuButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    drawImage(painter, rect());
    // The picture has no focus look of its own; a keyboard user must see where Space goes.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void XLPopupMenuButton::drawImage(QPainter &painter, const QRectF &rect)
{
    const QImage &chosen = !isEnabled() ? m_imageDisabled : m_state != 0 ? m_imageSelected : m_image;
    painter.fillRect(rect, Qt::white);
    if (chosen.isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, chosen, QRectF(chosen.rect()));
    painter.restore();
}

void XLPopupMenuButton::drawTitle(QPainter &painter)
{
    if (m_title.isEmpty())
        return;
    const QRectF bounds = rect();
    const QFontMetricsF metrics(font());
    const QSizeF text(metrics.horizontalAdvance(m_title), metrics.height());
    const qreal available = bounds.width() - (m_imagePullDown.isNull() ? 0 : kArrowSize);

    qreal x = 0;
    if (available > text.width())
        x = bounds.x() + (available - text.width()) * 0.5;
    // Centred when there is room; otherwise the text stands on the bottom edge.
    qreal top = bounds.bottom() - text.height();
    if (bounds.height() > text.height())
        top = bounds.y() + (bounds.height() - text.height()) * 0.5;

    painter.save();
    painter.setClipRect(QRectF(bounds.x(), bounds.y(), available, bounds.height()), Qt::IntersectClip);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(QRectF(QPointF(x, top), text), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_title);
    painter.restore();
}

void XLPopupMenuButton::drawPullDownArrow(QPainter &painter)
{
    if (m_imagePullDown.isNull())
        return;
    const QRectF bounds = rect();
    const QRectF square(bounds.right() - kArrowSize - kArrowInset, bounds.bottom() - kArrowSize - kArrowInset,
                        kArrowSize, kArrowSize);
    // Blended, not copied: a copy would punch the arrow's transparent pixels through the skin.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(square, m_imagePullDown, QRectF(m_imagePullDown.rect()));
    painter.restore();
}
