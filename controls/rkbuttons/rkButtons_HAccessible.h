#pragma once

#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AccessibleButton.h"

namespace rkbuttons {

// An image and colour button as screen readers see it: push, check or option, named by its
// caption or else its tooltip; Press runs its click; the form's default button says so.
class rkButtons_HAccessible : public platform::AccessibleButton
{
public:
    explicit rkButtons_HAccessible(rkButtons_H* button);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

protected:
    Kind kind() const override;
    QString caption() const override;
    bool isPressed() const override;
    bool isChecked() const override;
    bool isDefault() const override;
    void press() override;

private:
    rkButtons_H* button() const;
};

} // namespace rkbuttons
