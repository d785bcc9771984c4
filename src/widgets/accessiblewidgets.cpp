// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/accessiblewidgets.h"

#include "widgets/silder.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAccessibleWidget>

#include <algorithm>

namespace {

class PopupButtonAccessible final : public QAccessibleWidget
{
public:
    explicit PopupButtonAccessible(XLPopupMenuButton *button) : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        // A form gives the button its name; without one, its caption or tooltip stand in.
        if (t == QAccessible::Name && text.isEmpty()) {
            const auto *button = static_cast<const XLPopupMenuButton *>(widget());
            text = button->title().isEmpty() ? button->toolTip() : button->title();
        }
        return text;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            static_cast<XLPopupMenuButton *>(widget())->click();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

class StorageBarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit StorageBarAccessible(silder *bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The value is the bytes in use; a reader speaks it as a share of the capacity.
    QVariant currentValue() const override
    {
        const silder *b = bar();
        return std::clamp(b->ipodSize() - b->freeSize(), 0.0, std::max(b->ipodSize(), 0.0));
    }
    void setCurrentValue(const QVariant &) override {} // shown, not set
    QVariant maximumValue() const override { return std::max(bar()->ipodSize(), 0.0); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }

private:
    const silder *bar() const { return static_cast<const silder *>(widget()); }
};

QAccessibleInterface *skinnedWidgetFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("XLPopupMenuButton"))
        if (auto *button = qobject_cast<XLPopupMenuButton *>(object))
            return new PopupButtonAccessible(button);
    if (className == QLatin1String("silder"))
        if (auto *bar = qobject_cast<silder *>(object))
            return new StorageBarAccessible(bar);
    return nullptr;
}

} // namespace

void installAccessibleWidgets()
{
    static const bool installed = [] {
        QAccessible::installFactory(skinnedWidgetFactory);
        return true;
    }();
    (void)installed;
}
