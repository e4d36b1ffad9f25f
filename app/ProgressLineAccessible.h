#pragma once

#include <QAccessibleWidget>

class ProgressLine;

// The line under the status as screen readers see it: a read-only progress bar named
// "Speaking position", with the words heard (or the percent recorded) as its value.
class ProgressLineAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit ProgressLineAccessible(ProgressLine* line);

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
    ProgressLine* line() const;
};
