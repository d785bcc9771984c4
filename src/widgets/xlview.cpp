// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/xlview.h"

#include "widgets/xldrawfunc.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QChildEvent>
#include <QDataStream>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QtGlobal>

namespace {

// Marks a button whose title this view has taken over; its value is the plain title then.
const char kConvertedTitleKey[] = "key";

// The style option the button would paint itself with; returns the control to draw, or
// CE_CustomBase for button kinds drawn as they are.
QStyle::ControlElement buttonOption(const QAbstractButton *button, QStyleOptionButton &option)
{
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (button->isDown())
        option.state |= QStyle::State_Sunken;
    if (const auto *push = qobject_cast<const QPushButton *>(button)) {
        option.features = QStyleOptionButton::None;
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
        if (push->menu())
            option.features |= QStyleOptionButton::HasMenu;
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        if (push->isChecked())
            option.state |= QStyle::State_On;
        if (!push->isFlat() && !push->isDown())
            option.state |= QStyle::State_Raised;
        return QStyle::CE_PushButton;
    }
    if (const auto *check = qobject_cast<const QCheckBox *>(button)) {
        switch (check->checkState()) {
        case Qt::Checked:
            option.state |= QStyle::State_On;
            break;
        case Qt::PartiallyChecked:
            option.state |= QStyle::State_NoChange;
            break;
        case Qt::Unchecked:
            option.state |= QStyle::State_Off;
            break;
        }
        return QStyle::CE_CheckBox;
    }
    if (qobject_cast<const QRadioButton *>(button)) {
        option.state |= button->isChecked() ? QStyle::State_On : QStyle::State_Off;
        return QStyle::CE_RadioButton;
    }
    return QStyle::CE_CustomBase;
}

int availableTitleWidth(const QAbstractButton *button, const QStyleOptionButton &option,
                        QStyle::ControlElement control)
{
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (control == QStyle::CE_CheckBox)
        contents = QStyle::SE_CheckBoxContents;
    else if (control == QStyle::CE_RadioButton)
        contents = QStyle::SE_RadioButtonContents;
    int width = control == QStyle::CE_CustomBase
                    ? button->contentsRect().width()
                    : button->style()->subElementRect(contents, &option, button).width();
    if (!option.icon.isNull())
        width -= option.iconSize.width() + 4;
    return std::max(width, 0);
}

} // namespace

XLView::XLView(QWidget *parent) : QWidget(parent) {}

void XLView::setImageBackgroundByImage(const QImage &image)
{
    m_imageBackground = image;
    update();
}

bool XLView::setImageBackgroundByPath(const QString &path)
{
    QImage loaded(path);
    if (loaded.isNull())
        return false;
    m_imageBackground = std::move(loaded);
    update();
    return true;
}

void XLView::setColorBackground(const QColor &color)
{
    m_colorBackground = color;
    update();
}

void XLView::setDrawBorder(bool value)
{
    m_drawBorder = value;
    update();
}

void XLView::setUseBackgroundColor(bool value)
{
    m_useBackgroundColor = value;
    update();
}

void XLView::encodeWithCoder(QDataStream &stream) const
{
    stream << qint32(m_splitterHorizontal) << qint32(m_splitterVertical) << m_imageBackground
           << m_colorBackground << m_colorBorder << qint32(m_fillMode) << m_useBackgroundColor
           << m_drawBorder;
}

bool XLView::initWithCoder(QDataStream &stream)
{
    qint32 splitterHorizontal = 0;
    qint32 splitterVertical = 0;
    qint32 fillMode = 0;
    QImage image;
    QColor background;
    QColor border;
    bool useBackgroundColor = false;
    bool drawBorder = false;
    stream >> splitterHorizontal >> splitterVertical >> image >> background >> border >> fillMode >>
        useBackgroundColor >> drawBorder;
    if (stream.status() != QDataStream::Ok)
        return false;
    m_splitterHorizontal = splitterHorizontal;
    m_splitterVertical = splitterVertical;
    m_imageBackground = image;
    m_colorBackground = background;
    m_colorBorder = border;
    m_fillMode = fillMode;
    m_useBackgroundColor = useBackgroundColor;
    m_drawBorder = drawBorder;
    update();
    return true;
}

std::unique_ptr<XLView> XLView::copyWithZone(QWidget *parent) const
{
    auto copy = std::make_unique<XLView>(parent);
    copy->setSplitterHorizontal(m_splitterHorizontal);
    copy->setSplitterVertical(m_splitterVertical);
    copy->setImageBackgroundByImage(m_imageBackground);
    copy->setColorBackground(m_colorBackground);
    copy->setColorBorder(m_colorBorder);
    copy->setFillMode(m_fillMode);
    copy->setUseBackgroundColor(m_useBackgroundColor);
    copy->setDrawBorder(m_drawBorder);
    return copy;
}

void XLView::addSubview(QWidget *child)
{
    if (!child)
        return;
    child->setParent(this);
    if (auto *button = qobject_cast<QAbstractButton *>(child))
        convertButtonTitle(button);
    if (isVisible() && !child->isHidden())
        child->show();
}

void XLView::convertButtonTitle(QAbstractButton *button)
{
    // An empty title has nothing to truncate; a marked one was converted already.
    if (button->text().isEmpty() || button->property(kConvertedTitleKey).isValid())
        return;
    button->setProperty(kConvertedTitleKey, button->text());
    button->installEventFilter(this);
    button->update();
}

QString XLView::displayedTitle(const QAbstractButton *button)
{
    const QString title = button->text();
    if (!button->property(kConvertedTitleKey).isValid())
        return title;
    QStyleOptionButton option;
    const QStyle::ControlElement control = buttonOption(button, option);
    return button->fontMetrics().elidedText(title, Qt::ElideRight, availableTitleWidth(button, option, control),
                                            Qt::TextShowMnemonic);
}

bool XLView::event(QEvent *event)
{
    // Children made by a form are complete (and titled) only once they are polished.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        if (auto *button = qobject_cast<QAbstractButton *>(static_cast<QChildEvent *>(event)->child()))
            convertButtonTitle(button);
    }
    return QWidget::event(event);
}

bool XLView::eventFilter(QObject *watched, QEvent *event)
{
    auto *button = qobject_cast<QAbstractButton *>(watched);
    if (!button || event->type() != QEvent::Paint || button->parent() != this)
        return QWidget::eventFilter(watched, event);
    QStyleOptionButton option;
    const QStyle::ControlElement control = buttonOption(button, option);
    const QString shown = displayedTitle(button);
    if (control == QStyle::CE_CustomBase || shown == button->text())
        return false; // fits, or a kind of button that paints its own way
    option.text = shown;
    QStylePainter painter(button);
    painter.drawControl(control, option);
    return true;
}

void XLView::refreshLanguage()
{
    for (QObject *child : children()) {
        const QMetaObject *meta = child->metaObject();
        const int index = meta->indexOfMethod("refreshLanguage()");
        if (index >= 0 && child->isWidgetType())
            meta->method(index).invoke(child, Qt::DirectConnection);
    }
}

void XLView::loadSkin(QObject *skin)
{
    Q_UNUSED(skin);
}

void XLView::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    drawBackground(painter);
    drawForeground(painter);
}

void XLView::drawForeground(QPainter &painter)
{
    Q_UNUSED(painter);
}

void XLView::drawBackground(QPainter &painter)
{
    QRect area = rect();
    if (m_drawBorder) {
        const QColor border = m_colorBorder.isValid() ? m_colorBorder : QColor(Qt::black);
        painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), border);
        painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), border);
        painter.fillRect(QRect(area.left(), area.top(), 1, area.height()), border);
        painter.fillRect(QRect(area.right(), area.top(), 1, area.height()), border);
        area.adjust(1, 1, -1, -1);
    }
    if (m_useBackgroundColor || m_imageBackground.isNull()) {
        fillWithBackgroundColour(painter, area);
        return;
    }
    // Tiles reach past the area; keep them off the border.
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    switch (m_fillMode) {
    case 0:
        drawBltImage(painter, m_imageBackground, area);
        break;
    case 1:
        drawStretchImage(painter, m_imageBackground, area);
        break;
    case 2:
        drawBltCornerThenStretchImage(painter, m_imageBackground, area, m_splitterHorizontal,
                                      m_splitterVertical);
        break;
    default:
        break;
    }
    painter.restore();
}

void XLView::fillWithBackgroundColour(QPainter &painter, const QRect &area)
{
    if (m_colorBackground.isValid()) {
        painter.fillRect(area, m_colorBackground);
        return;
    }
    const QBrush brush = window()->palette().brush(QPalette::Window);
    if (brush.style() == Qt::NoBrush || !brush.color().isValid()) {
        qWarning("Invalid parameter not satisfying: %s", "color");
        return;
    }
    // A skinned window's background is a picture; keep it aligned with the window.
    painter.save();
    painter.setBrushOrigin(-mapTo(window(), QPoint(0, 0)));
    painter.fillRect(area, brush);
    painter.restore();
}

QDataStream &operator<<(QDataStream &stream, const XLView &view)
{
    view.encodeWithCoder(stream);
    return stream;
}

QDataStream &operator>>(QDataStream &stream, XLView &view)
{
    view.initWithCoder(stream);
    return stream;
}
