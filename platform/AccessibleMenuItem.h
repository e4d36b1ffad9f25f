#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class QAction;

// What a screen reader sees of an item of a menu: Qt's reading (name, shortcut, Press, the
// submenu it opens), and for a checkable item the checkable state, checked while it is on,
// and a state change when it toggles, which Qt's own reading of menu items leaves out.
namespace platform {

class AccessibleMenuItem : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    AccessibleMenuItem(QAction* action, QWidget* owner);

    // For QAccessible::installFactory: actions shown in a menu (the bar's keep Qt's).
    static QAccessibleInterface* create(const QString& className, QObject* object);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<QAction> m_action;
    QPointer<QWidget> m_owner;
};

} // namespace platform
