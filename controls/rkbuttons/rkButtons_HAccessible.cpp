#include "controls/rkbuttons/rkButtons_HAccessible.h"

#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AmbientProperties.h"

namespace rkbuttons {

rkButtons_HAccessible::rkButtons_HAccessible(rkButtons_H* button)
    : platform::AccessibleButton(button)
{
}

QAccessibleInterface* rkButtons_HAccessible::create(const QString& className, QObject* object)
{
    auto* button = qobject_cast<rkButtons_H*>(object);
    if (className != QLatin1String(rkButtons_H::staticMetaObject.className()) || !button) {
        return nullptr;
    }
    return new rkButtons_HAccessible(button);
}

rkButtons_H* rkButtons_HAccessible::button() const
{
    return static_cast<rkButtons_H*>(widget());
}

rkButtons_HAccessible::Kind rkButtons_HAccessible::kind() const
{
    switch (button()->Mode()) {
    case Behaviour::Check:
        return Kind::Check;
    case Behaviour::Option:
        return Kind::Radio;
    case Behaviour::Push:
        break;
    }
    return Kind::Push;
}

QString rkButtons_HAccessible::caption() const
{
    return button()->Caption();
}

bool rkButtons_HAccessible::isPressed() const
{
    return button()->PressedLook();
}

bool rkButtons_HAccessible::isChecked() const
{
    return button()->Value();
}

bool rkButtons_HAccessible::isDefault() const
{
    return platform::AmbientProperties(button()).DisplayAsDefault();
}

void rkButtons_HAccessible::press()
{
    button()->click();
}

} // namespace rkbuttons
