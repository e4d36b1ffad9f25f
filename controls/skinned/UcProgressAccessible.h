#pragma once

#include <QAccessibleWidget>

class UcProgress;

// A skinned progress bar as screen readers see it: a progress bar with its value and
// bounds, read-only.
class UcProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit UcProgressAccessible(UcProgress* bar);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    UcProgress* bar() const;
};
