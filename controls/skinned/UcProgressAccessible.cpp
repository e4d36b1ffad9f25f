#include "controls/skinned/UcProgressAccessible.h"

#include "controls/skinned/UcProgress.h"

namespace skinned {

UcProgressAccessible::UcProgressAccessible(UcProgress* bar) : platform::AccessibleProgress(bar) {}

QAccessibleInterface* UcProgressAccessible::create(const QString& className, QObject* object)
{
    auto* bar = qobject_cast<UcProgress*>(object);
    if (className != QLatin1String(UcProgress::staticMetaObject.className()) || !bar) {
        return nullptr;
    }
    return new UcProgressAccessible(bar);
}

UcProgress* UcProgressAccessible::bar() const
{
    return static_cast<UcProgress*>(widget());
}

int UcProgressAccessible::value() const
{
    return bar()->Value();
}

int UcProgressAccessible::minimum() const
{
    return bar()->Min();
}

int UcProgressAccessible::maximum() const
{
    return bar()->Max();
}

} // namespace skinned
