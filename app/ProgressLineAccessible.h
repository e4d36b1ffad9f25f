#pragma once

#include "platform/AccessibleProgress.h"

namespace app {

class ProgressLine;

// The line under the status as screen readers see it: a read-only progress bar named
// "Speaking position", with the words heard (or the percent recorded) as its value.
class ProgressLineAccessible : public platform::AccessibleProgress
{
public:
    explicit ProgressLineAccessible(ProgressLine* line);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

protected:
    int value() const override;
    int minimum() const override { return 0; }
    int maximum() const override;
    int stepSize() const override { return 1; }

private:
    ProgressLine* line() const;
};

} // namespace app
