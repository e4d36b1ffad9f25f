#pragma once

#include "platform/AccessibleButton.h"

namespace skinned {

class UcCmd;

// A skinned image button as screen readers see it: a push button (the title-bar buttons
// among them, named by their tooltips), a check box or a radio button; Press runs its click.
class UcCmdAccessible : public platform::AccessibleButton
{
public:
    explicit UcCmdAccessible(UcCmd* button);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

protected:
    Kind kind() const override;
    QString caption() const override;
    bool isPressed() const override;
    bool isChecked() const override;
    void press() override;

private:
    UcCmd* button() const;
};

} // namespace skinned
