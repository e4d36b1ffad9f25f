#include "controls/skinned/UcCmdAccessible.h"

#include "controls/skinned/UcCmd.h"

namespace skinned {

UcCmdAccessible::UcCmdAccessible(UcCmd* button) : platform::AccessibleButton(button) {}

QAccessibleInterface* UcCmdAccessible::create(const QString& className, QObject* object)
{
    auto* button = qobject_cast<UcCmd*>(object);
    if (className != QLatin1String(UcCmd::staticMetaObject.className()) || !button) {
        return nullptr;
    }
    return new UcCmdAccessible(button);
}

UcCmd* UcCmdAccessible::button() const
{
    return static_cast<UcCmd*>(widget());
}

UcCmdAccessible::Kind UcCmdAccessible::kind() const
{
    switch (button()->Style()) {
    case UcCmd::StyleCheck:
        return Kind::Check;
    case UcCmd::StyleOption:
        return Kind::Radio;
    default:
        return Kind::Push;
    }
}

QString UcCmdAccessible::caption() const
{
    // The title-bar styles hide their caption: their tooltip names them.
    return button()->isCaptionShown() ? button()->Caption() : QString();
}

bool UcCmdAccessible::isPressed() const
{
    return button()->isDownShown();
}

bool UcCmdAccessible::isChecked() const
{
    return button()->Value();
}

void UcCmdAccessible::press()
{
    button()->click();
}

} // namespace skinned
