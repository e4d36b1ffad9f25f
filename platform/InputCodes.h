#pragma once

#include <Qt>

// The numbers the controls' mouse and key events carry: mouse buttons, the shift state
// and the classic virtual-key codes, translated from Qt's.
namespace platform::input {

// Mouse buttons, alone or or-ed together for the buttons held during a move.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;

// Shift state bits.
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

// The number of one button; 0 for buttons other than left, right and middle.
int buttonCode(Qt::MouseButton button);
// The numbers of the held buttons or-ed together.
int buttonsCode(Qt::MouseButtons buttons);
int shiftState(Qt::KeyboardModifiers modifiers);
// The virtual-key code of a Qt key; 0 for keys that have none.
int keyCode(int qtKey);

} // namespace platform::input
