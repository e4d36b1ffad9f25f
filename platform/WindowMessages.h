#pragma once

#include <QtGlobal>
#include <functional>

class QPoint;
class QWidget;

// Window messages and the chain of procedures a top-level window's messages pass
// through. A procedure installed with setWindowProcedure sees every message sent to
// the window first; it either answers it or hands it on to the procedure it replaced.
// At the end of the chain the default procedure turns a press in the caption or on an
// edge into a system command, and the system move or size command into the window
// manager's own move or sizing loop (or into a move or size that follows the mouse,
// where the window manager offers none).
namespace platform {

// Message numbers and codes, as the classic window protocol has them.
constexpr quint32 WM_NCLBUTTONDOWN = 0x00A1;
constexpr quint32 WM_SYSCOMMAND = 0x0112;

constexpr quintptr SC_SIZE = 0xF000;
constexpr quintptr SC_MOVE = 0xF010;
constexpr quintptr SC_MINIMIZE = 0xF020;
constexpr quintptr SC_MAXIMIZE = 0xF030;
constexpr quintptr SC_CLOSE = 0xF060;
constexpr quintptr SC_RESTORE = 0xF120;

// Hit-test codes of the non-client area.
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;

struct WindowMessage
{
    quint32 message = 0;
    quintptr wParam = 0;
    qintptr lParam = 0;
};

using WindowProcedure = std::function<qintptr(QWidget* window, const WindowMessage& message)>;

// Sends a message to the window's current procedure and returns its answer.
qintptr sendMessage(QWidget* window, quint32 message, quintptr wParam, qintptr lParam);

// Makes procedure the window's procedure and returns the one it replaces (the default
// procedure the first time). Putting the returned procedure back undoes the change.
WindowProcedure setWindowProcedure(QWidget* window, WindowProcedure procedure);

// Hands a message on to a procedure that was replaced.
qintptr callWindowProcedure(const WindowProcedure& previous, QWidget* window,
                            const WindowMessage& message);

// What a window does with a message nobody answered.
qintptr defWindowProc(QWidget* window, const WindowMessage& message);

// A screen point packed into a message parameter (x in the low 16 bits, y in the next
// 16, both signed), as press messages carry it.
qintptr makePointParam(const QPoint& point);
QPoint pointFromParam(qintptr param);

// Ends the mouse capture of whichever widget holds it.
void releaseCapture();

// Tests and windows that want the hand-made move and sizing even under a window
// manager may switch the window manager's loops off.
void setSystemMoveResizeEnabled(bool enabled);

} // namespace platform
