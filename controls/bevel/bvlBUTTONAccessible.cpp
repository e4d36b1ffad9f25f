#include "controls/bevel/bvlBUTTONAccessible.h"

#include "controls/bevel/bvlBUTTON.h"

namespace bevel {

bvlBUTTONAccessible::bvlBUTTONAccessible(bvlBUTTON* button) : platform::AccessibleButton(button) {}

QAccessibleInterface* bvlBUTTONAccessible::create(const QString& className, QObject* object)
{
    auto* button = qobject_cast<bvlBUTTON*>(object);
    if (className != QLatin1String(bvlBUTTON::staticMetaObject.className()) || !button) {
        return nullptr;
    }
    return new bvlBUTTONAccessible(button);
}

bvlBUTTON* bvlBUTTONAccessible::button() const
{
    return static_cast<bvlBUTTON*>(widget());
}

bvlBUTTONAccessible::Kind bvlBUTTONAccessible::kind() const
{
    switch (button()->Behaviour()) {
    case bvlBUTTON::kToggleButton:
        return Kind::Check;
    case bvlBUTTON::kOptionButton:
        return Kind::Radio;
    default:
        return Kind::Push;
    }
}

QString bvlBUTTONAccessible::caption() const
{
    return button()->Caption();
}

bool bvlBUTTONAccessible::isPressed() const
{
    return (button()->stateWord() & bvlBUTTON::kStatePressed) != 0;
}

bool bvlBUTTONAccessible::isChecked() const
{
    return button()->Value();
}

void bvlBUTTONAccessible::press()
{
    button()->click();
}

} // namespace bevel
