#include "platform/AccessibleMenuItem.h"

#include "platform/AccessibleActions.h"
#include "platform/AccessibleButton.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace platform {

AccessibleMenuItem::AccessibleMenuItem(QAction* action, QWidget* owner)
    : m_action(action), m_owner(owner)
{
    // Qt tells nothing when an action toggles; a reader keeps the state it last heard.
    QObject::connect(action, &QAction::toggled, action, [action] {
        if (QAccessible::isActive()) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(action, changed);
            QAccessible::updateAccessibility(&event);
        }
    });
}

QAccessibleInterface* AccessibleMenuItem::create(const QString& className, QObject* object)
{
    auto* action = qobject_cast<QAction*>(object);
    // Every item of a menu, as an item may become checkable after it was first asked for.
    if (className != QLatin1String("QAction") || !action) {
        return nullptr;
    }
    for (QObject* shownIn : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(shownIn)) {
            return new AccessibleMenuItem(action, menu);
        }
    }
    return nullptr;
}

bool AccessibleMenuItem::isValid() const
{
    return m_action && m_owner;
}

QObject* AccessibleMenuItem::object() const
{
    return m_action;
}

QWindow* AccessibleMenuItem::window() const
{
    return m_owner ? m_owner->windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleMenuItem::childAt(int /*x*/, int /*y*/) const
{
    return nullptr;
}

QAccessibleInterface* AccessibleMenuItem::parent() const
{
    return QAccessible::queryAccessibleInterface(m_owner.data());
}

QAccessibleInterface* AccessibleMenuItem::child(int index) const
{
    // An item that opens a submenu holds it.
    return index == 0 && m_action->menu() ? QAccessible::queryAccessibleInterface(m_action->menu())
                                          : nullptr;
}

int AccessibleMenuItem::childCount() const
{
    return m_action->menu() ? 1 : 0;
}

int AccessibleMenuItem::indexOfChild(const QAccessibleInterface* child) const
{
    return child && m_action->menu() && child->object() == m_action->menu() ? 0 : -1;
}

QString AccessibleMenuItem::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        return withoutAccessMarks(m_action->text());
    }
    if (t == QAccessible::Accelerator) {
        return m_action->shortcut().toString(QKeySequence::NativeText);
    }
    return {};
}

void AccessibleMenuItem::setText(QAccessible::Text /*t*/, const QString& /*text*/)
{
    // The program names its items.
}

QRect AccessibleMenuItem::rect() const
{
    auto* menu = qobject_cast<QMenu*>(m_owner.data());
    if (!menu) {
        return {};
    }
    return menu->actionGeometry(m_action).translated(menu->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role AccessibleMenuItem::role() const
{
    // Qt 6.4's bridge to the accessibility bus has no role for a check item of a menu and
    // drops the checkable state; the Toggle action and the checked state do reach it.
    return m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
}

QAccessible::State AccessibleMenuItem::state() const
{
    QAccessible::State state;
    auto* menu = qobject_cast<QMenu*>(m_owner.data());
    state.invisible = !m_action->isVisible() || !menu || !menu->isVisible();
    state.focusable = true;
    state.focused = menu && menu->activeAction() == m_action;
    state.disabled = m_action->isSeparator() || !m_action->isEnabled();
    state.checkable = m_action->isCheckable();
    state.checked = m_action->isChecked();
    return state;
}

void* AccessibleMenuItem::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
}

QStringList AccessibleMenuItem::actionNames() const
{
    if (m_action->isSeparator()) {
        return {};
    }
    if (m_action->menu()) {
        return {showMenuAction()};
    }
    return m_action->isCheckable() ? QStringList{pressAction(), toggleAction()}
                                   : QStringList{pressAction()};
}

void AccessibleMenuItem::doAction(const QString& actionName)
{
    if (!m_action->isEnabled() || !actionNames().contains(actionName)) {
        return;
    }
    if (actionName == showMenuAction()) {
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data())) {
            afterReply(menu, [action = m_action](QMenu* owner) {
                if (action) {
                    owner->setActiveAction(action);
                }
            });
        }
        return;
    }
    // The command may open a dialog: the reader has its reply before it runs.
    afterReply(m_action.data(), [](QAction* action) {
        if (action->isEnabled()) {
            action->trigger();
        }
    });
}

QStringList AccessibleMenuItem::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction() && !m_action->shortcut().isEmpty()) {
        return {m_action->shortcut().toString(QKeySequence::NativeText)};
    }
    return {};
}

} // namespace platform
