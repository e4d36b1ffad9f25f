#pragma once

#include <QAccessibleWidget>
#include <optional>

// What a screen reader sees of one of the program's own buttons: a push button (or a check
// box or radio button), named by its caption, or by its tooltip when it has none, with the
// Press and SetFocus actions. Each button kind says what its caption, look and click are.
namespace platform {

// Captions keep their access-key marks ("&Speak"): a reader says "Speak".
QString withoutAccessMarks(QString caption);

// A button's caption changed (PAUSE becoming RESUME): a reader on it hears the new name,
// as from Qt's own buttons.
void captionChanged(QWidget* button);

class AccessibleButton : public QAccessibleWidget
{
public:
    explicit AccessibleButton(QWidget* button);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // The shortcuts a window gives a button are listed as the keys of its Press action.
    static constexpr const char* kShortcutsProperty = "accessibleShortcuts";

protected:
    enum class Kind { Push, Check, Radio };
    virtual Kind kind() const { return Kind::Push; }
    virtual QString caption() const = 0;
    // Shown pressed: held down, or a set toggle.
    virtual bool isPressed() const = 0;
    // On or off, for check and radio kinds.
    virtual bool isChecked() const { return false; }
    virtual bool isDefault() const { return false; }
    // The click path of the button, exactly as a mouse click runs it.
    virtual void press() = 0;
};

} // namespace platform
