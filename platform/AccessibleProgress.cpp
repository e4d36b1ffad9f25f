#include "platform/AccessibleProgress.h"

namespace platform {

AccessibleProgress::AccessibleProgress(QWidget* widget)
    : QAccessibleWidget(widget, QAccessible::ProgressBar)
{
}

void* AccessibleProgress::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString AccessibleProgress::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        return QString::number(value());
    }
    return QAccessibleWidget::text(t);
}

} // namespace platform
