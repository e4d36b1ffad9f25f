#pragma once

#include "platform/OleColor.h"

#include <QFont>
#include <QString>

class QWidget;

// What a control learns from the window it is placed on: whether the program is in
// design mode, the name the form gave it, the container's back colour and font, and
// whether the form shows it as its default button.
//
// The form marks its default button by setting the dynamic property "DisplayAsDefault"
// on it (setDisplayAsDefault), and its cancel button with "Cancel" (setCancel); the control
// hears of either as a QDynamicPropertyChangeEvent.
namespace platform {

class AmbientProperties
{
public:
    explicit AmbientProperties(const QWidget* control);

    // False while the program is in design mode.
    bool UserMode() const;
    QString DisplayName() const;
    OleColor BackColor() const;
    bool DisplayAsDefault() const;
    // The form's cancel button: Escape on the form presses it.
    bool Cancel() const;
    QFont Font() const;

    static constexpr const char* kDisplayAsDefault = "DisplayAsDefault";
    static void setDisplayAsDefault(QWidget* control, bool isDefault);
    static constexpr const char* kCancel = "Cancel";
    static void setCancel(QWidget* control, bool isCancel);

    // Program-wide design mode; off unless a test or a form designer turns it on.
    static void setDesignMode(bool designMode);
    static bool designMode();

private:
    const QWidget* m_control;
};

} // namespace platform
