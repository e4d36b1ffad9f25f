#include "controls/skinned/UcProgressAccessible.h"

#include "controls/skinned/UcProgress.h"

UcProgressAccessible::UcProgressAccessible(UcProgress* bar)
    : QAccessibleWidget(bar, QAccessible::ProgressBar)
{
}

QAccessibleInterface* UcProgressAccessible::create(const QString& className, QObject* object)
{
    auto* bar = qobject_cast<UcProgress*>(object);
    if (className != QLatin1String("UcProgress") || !bar) {
        return nullptr;
    }
    return new UcProgressAccessible(bar);
}

UcProgress* UcProgressAccessible::bar() const
{
    return static_cast<UcProgress*>(widget());
}

void* UcProgressAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString UcProgressAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        return QString::number(bar()->Value());
    }
    return QAccessibleWidget::text(t);
}

QVariant UcProgressAccessible::currentValue() const
{
    return bar()->Value();
}

void UcProgressAccessible::setCurrentValue(const QVariant& /*value*/)
{
    // The program sets the progress; a reader only reads it.
}

QVariant UcProgressAccessible::maximumValue() const
{
    return bar()->Max();
}

QVariant UcProgressAccessible::minimumValue() const
{
    return bar()->Min();
}

QVariant UcProgressAccessible::minimumStepSize() const
{
    return 0;
}
