#pragma once

#include <QAccessibleWidget>

namespace skinned {

class UcScroll;

// A skinned scroll bar as screen readers see it: a slider with its value, bounds and step,
// settable (through the bar's Value, so the host hears Change), with Increase and Decrease.
class UcScrollAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit UcScrollAccessible(UcScroll* bar);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    UcScroll* bar() const;
    // The nearest value inside the bar's bounds.
    static void setValueWithin(UcScroll* bar, qint64 wanted);
};

} // namespace skinned
