#pragma once

#include "platform/AccessibleProgress.h"

namespace skinned {

class UcProgress;

// A skinned progress bar as screen readers see it: a progress bar with its value and
// bounds, read-only.
class UcProgressAccessible : public platform::AccessibleProgress
{
public:
    explicit UcProgressAccessible(UcProgress* bar);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

protected:
    int value() const override;
    int minimum() const override;
    int maximum() const override;

private:
    UcProgress* bar() const;
};

} // namespace skinned
