#include "platform/InputCodes.h"

#include <array>
#include <utility>

namespace platform::input {

namespace {

// Keys whose codes are not their characters' (letters, digits and function keys are
// computed below). A code is the key's position on the classic keyboard, not its
// character, so keypad Enter and Return share one, as do Tab and Backtab.
constexpr std::array<std::pair<int, int>, 26> kKeyCodes = {{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},        {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},     {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},    {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14},   {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},     {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},       {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},      {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},     {Qt::Key_Delete, 0x2E},
    {Qt::Key_NumLock, 0x90},   {Qt::Key_ScrollLock, 0x91},
}};

} // namespace

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return kLeftButton;
    case Qt::RightButton:
        return kRightButton;
    case Qt::MiddleButton:
        return kMiddleButton;
    default:
        return 0;
    }
}

int buttonsCode(Qt::MouseButtons buttons)
{
    int code = 0;
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons.testFlag(button)) {
            code |= buttonCode(button);
        }
    }
    return code;
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        state |= kShiftMask;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        state |= kCtrlMask;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        state |= kAltMask;
    }
    return state;
}

int keyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey; // the same codes as their capital letters and digits
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return 0x70 + (qtKey - Qt::Key_F1);
    }
    for (const auto& [key, code] : kKeyCodes) {
        if (key == qtKey) {
            return code;
        }
    }
    return 0;
}

} // namespace platform::input
