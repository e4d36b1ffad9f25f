#include "controls/skinned/UcScrollAccessible.h"

#include "controls/skinned/UcScroll.h"
#include "platform/AccessibleActions.h"

#include <algorithm>

namespace skinned {

UcScrollAccessible::UcScrollAccessible(UcScroll* bar) : QAccessibleWidget(bar, QAccessible::Slider)
{
}

QAccessibleInterface* UcScrollAccessible::create(const QString& className, QObject* object)
{
    auto* bar = qobject_cast<UcScroll*>(object);
    if (className != QLatin1String(UcScroll::staticMetaObject.className()) || !bar) {
        return nullptr;
    }
    return new UcScrollAccessible(bar);
}

UcScroll* UcScrollAccessible::bar() const
{
    return static_cast<UcScroll*>(widget());
}

void* UcScrollAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString UcScrollAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        return QString::number(bar()->Value());
    }
    return QAccessibleWidget::text(t);
}

QStringList UcScrollAccessible::actionNames() const
{
    return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
}

void UcScrollAccessible::doAction(const QString& actionName)
{
    // A change of the bar runs the window's handlers: the reader has its reply first.
    platform::afterReply(bar(), [actionName](UcScroll* bar) {
        if (!bar->isEnabled()) {
            return;
        }
        const qint64 step = bar->SmallChange();
        if (actionName == increaseAction()) {
            setValueWithin(bar, qint64(bar->Value()) + step);
        } else if (actionName == decreaseAction()) {
            setValueWithin(bar, qint64(bar->Value()) - step);
        } else if (actionName == setFocusAction()) {
            bar->setFocus();
        }
    });
}

QVariant UcScrollAccessible::currentValue() const
{
    return bar()->Value();
}

void UcScrollAccessible::setCurrentValue(const QVariant& value)
{
    // Readers send doubles: the nearest whole value.
    setValueWithin(bar(), qRound64(value.toDouble()));
}

void UcScrollAccessible::setValueWithin(UcScroll* bar, qint64 wanted)
{
    bar->setValue(static_cast<qint32>(std::clamp<qint64>(wanted, std::min(bar->Min(), bar->Max()),
                                                         std::max(bar->Min(), bar->Max()))));
}

QVariant UcScrollAccessible::maximumValue() const
{
    return bar()->Max();
}

QVariant UcScrollAccessible::minimumValue() const
{
    return bar()->Min();
}

QVariant UcScrollAccessible::minimumStepSize() const
{
    return bar()->SmallChange();
}

} // namespace skinned
