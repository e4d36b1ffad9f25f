#include "app/ProgressLineAccessible.h"

#include "app/ProgressLine.h"

ProgressLineAccessible::ProgressLineAccessible(ProgressLine* line)
    : QAccessibleWidget(line, QAccessible::ProgressBar)
{
}

QAccessibleInterface* ProgressLineAccessible::create(const QString& className, QObject* object)
{
    auto* line = qobject_cast<ProgressLine*>(object);
    if (className != QLatin1String("ProgressLine") || !line) {
        return nullptr;
    }
    return new ProgressLineAccessible(line);
}

ProgressLine* ProgressLineAccessible::line() const
{
    return static_cast<ProgressLine*>(widget());
}

void* ProgressLineAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString ProgressLineAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        return QString::number(line()->value());
    }
    return QAccessibleWidget::text(t);
}

QVariant ProgressLineAccessible::currentValue() const
{
    return line()->value();
}

void ProgressLineAccessible::setCurrentValue(const QVariant& /*value*/)
{
    // The speaking moves the line; a reader only reads it.
}

QVariant ProgressLineAccessible::maximumValue() const
{
    return line()->maximum();
}

QVariant ProgressLineAccessible::minimumValue() const
{
    return 0;
}

QVariant ProgressLineAccessible::minimumStepSize() const
{
    return 1;
}
