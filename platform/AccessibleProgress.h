#pragma once

#include <QAccessibleWidget>

namespace platform {

// A progress indicator as screen readers see it: a read-only progress bar with its value
// and bounds. Each indicator says where its figures come from.
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleProgress(QWidget* widget);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override { return value(); }
    // The program moves the indicator; a reader only reads it.
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant maximumValue() const override { return maximum(); }
    QVariant minimumValue() const override { return minimum(); }
    QVariant minimumStepSize() const override { return stepSize(); }

protected:
    virtual int value() const = 0;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    virtual int stepSize() const { return 0; }
};

} // namespace platform
