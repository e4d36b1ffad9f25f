#pragma once

#include <QAccessibleWidget>

namespace app {

class Main;

// The skinned main window as screen readers see it: a frame named by its title whose
// children are the controls on show (the hidden work editor is left out).
class MainAccessible : public QAccessibleWidget
{
public:
    explicit MainAccessible(Main* window);

    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);
    // Installs the factories of the program's own controls, the editor and this window.
    static void installFactories();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QWidget*> shownChildren() const;
};

} // namespace app
