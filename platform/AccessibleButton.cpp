#include "platform/AccessibleButton.h"

#include "platform/AccessibleActions.h"

#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

// A tooltip that ends with the button's shortcuts, "Open File (Ctrl+O)", names it without
// them: the reader tells the shortcuts as the keys of Press.
QString withoutShortcuts(const QWidget* button)
{
    const QString tip = button->toolTip();
    const QStringList keys = button->property(AccessibleButton::kShortcutsProperty).toStringList();
    const QString suffix = QStringLiteral(" (%1)").arg(keys.join(QStringLiteral(", ")));
    return !keys.isEmpty() && tip.endsWith(suffix) ? tip.chopped(suffix.size()) : tip;
}

} // namespace

QString withoutAccessMarks(QString caption)
{
    caption.replace(QLatin1String("&&"), QString(QChar(0x1)));
    caption.remove(QLatin1Char('&'));
    caption.replace(QChar(0x1), QLatin1Char('&'));
    return caption;
}

AccessibleButton::AccessibleButton(QWidget* button) : QAccessibleWidget(button) {}

QAccessible::Role AccessibleButton::role() const
{
    switch (kind()) {
    case Kind::Check:
        return QAccessible::CheckBox;
    case Kind::Radio:
        return QAccessible::RadioButton;
    case Kind::Push:
        break;
    }
    return QAccessible::PushButton;
}

void captionChanged(QWidget* button)
{
    if (QAccessible::isActive()) {
        QAccessibleEvent event(button, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString AccessibleButton::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        if (!widget()->accessibleName().isEmpty()) {
            return widget()->accessibleName();
        }
        const QString name = withoutAccessMarks(caption()).trimmed();
        const QString described = withoutShortcuts(widget());
        // A caption of one letter is a glyph ("B" for bold): the tooltip says what it does.
        if (name.size() <= 1 && !described.isEmpty()) {
            return described;
        }
        return name.isEmpty() ? described : name;
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleButton::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = isPressed() && kind() == Kind::Push;
    if (kind() != Kind::Push) {
        state.checkable = true;
        state.checked = isChecked();
    }
    state.defaultButton = isDefault();
    return state;
}

QStringList AccessibleButton::actionNames() const
{
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void AccessibleButton::doAction(const QString& actionName)
{
    // The click may open a box with an event loop of its own: a reader that asked for it
    // gets its answer first, and the click runs from the event loop, as Qt's own buttons do.
    afterReply(widget(), [actionName](QWidget* button) {
        auto* self = dynamic_cast<AccessibleButton*>(QAccessible::queryAccessibleInterface(button));
        if (self == nullptr) {
            return;
        }
        if (actionName != pressAction()) {
            self->QAccessibleWidget::doAction(actionName);
        } else if (button->isEnabled()) {
            self->press();
        }
    });
}

QStringList AccessibleButton::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction()) {
        return widget()->property(kShortcutsProperty).toStringList();
    }
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

} // namespace platform
