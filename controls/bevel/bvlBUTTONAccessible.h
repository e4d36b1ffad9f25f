#pragma once

#include "platform/AccessibleButton.h"

namespace bevel {

class bvlBUTTON;

// A bevelled button as screen readers see it: push, toggle (check box) or option (radio
// button), named by its caption; Press runs its click.
class bvlBUTTONAccessible : public platform::AccessibleButton
{
public:
    explicit bvlBUTTONAccessible(bvlBUTTON* button);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

protected:
    Kind kind() const override;
    QString caption() const override;
    bool isPressed() const override;
    bool isChecked() const override;
    void press() override;

private:
    bvlBUTTON* button() const;
};

} // namespace bevel
