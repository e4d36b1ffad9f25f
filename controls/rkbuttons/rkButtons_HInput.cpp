#include "controls/rkbuttons/modRkTimer.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/InputCodes.h"
#include "platform/WindowProperties.h"

#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <array>

using platform::input::buttonCode;
using platform::input::buttonsCode;
using platform::input::shiftState;

namespace rkbuttons {

namespace {

namespace props = platform::windowprops;

const QString kClassIdProperty = QStringLiteral("rk_ClassID");
const QString kTimerIdProperty = QStringLiteral("rk_TimerID");

// Key codes the events carry, as the classic virtual-key numbers.
constexpr int kKeyShift = 16;
constexpr int kKeyReturn = 13; // Return and keypad Enter
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kAsciiEnter = 13;
constexpr int kAsciiEscape = 27;

// The keyboard scan codes of the arrow keys, sent along with a forwarded arrow.
struct ArrowKey
{
    int virtualKey;
    Qt::Key qtKey;
    quint32 scanCode;
};
constexpr std::array<ArrowKey, 4> kArrowKeys = {{{kKeyLeft, Qt::Key_Left, 0x4B},
                                                 {kKeyUp, Qt::Key_Up, 0x48},
                                                 {kKeyRight, Qt::Key_Right, 0x4D},
                                                 {kKeyDown, Qt::Key_Down, 0x50}}};

bool isArrowKey(int keyCode)
{
    return keyCode >= kKeyLeft && keyCode <= kKeyDown;
}

// Space, Return and keypad Enter press the button, without Ctrl or Alt (those belong to
// shortcuts).
bool isPressKey(int keyCode, Qt::KeyboardModifiers modifiers)
{
    return (keyCode == kKeySpace || keyCode == kKeyReturn) &&
           (modifiers & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0;
}

} // namespace

// --- mouse ---------------------------------------------------------------------------

void rkButtons_H::startHoverTracking(int buttons)
{
    setHoverBit(true);
    const QPointer<rkButtons_H> self(this);
    Q_EMIT MouseOnButton(true);
    if (!self) {
        return;
    }
    props::setObject(this, kClassIdProperty, this);
    props::setNumber(this, kTimerIdProperty, modRkTimer::kHoverTimerId);
    modRkTimer::SetTimer(this, modRkTimer::kHoverTimerId, modRkTimer::kHoverTimerInterval,
                         &modRkTimer::HoverTimerProc);
    m_delayDrawing = false;
    if (buttons & kLeftButton) {
        m_pressedLook = true;
    }
    RedrawButton();
}

void rkButtons_H::HoverCheck(int timerId)
{
    if (QApplication::widgetAt(QCursor::pos()) == this) {
        return;
    }
    modRkTimer::KillTimer(this, timerId);
    setHoverBit(false);
    m_delayDrawing = false;
    const QPointer<rkButtons_H> self(this);
    Q_EMIT MouseOnButton(false);
    if (!self) {
        return;
    }
    m_pressedLook = false;
    RedrawButton();
}

void rkButtons_H::mouseMoveEvent(QMouseEvent* event)
{
    const int buttons = buttonsCode(event->buttons());
    if (!Hovering() && QApplication::widgetAt(QCursor::pos()) == this) {
        const QPointer<rkButtons_H> self(this);
        startHoverTracking(buttons);
        if (!self) {
            return;
        }
    }
    Q_EMIT MouseMove(buttons, shiftState(event->modifiers()), event->position().x(),
                     event->position().y());
}

void rkButtons_H::mouseDownPath(int button, int shift, QPointF position)
{
    m_lastMouseButton = button;
    if (button == kLeftButton) {
        m_stateFlags |= kStatePressed;
        m_pressedLook = true;
        m_delayDrawing = false;
        RedrawButton();
        // The mouse stays with this window until release: Qt grabs it for the press.
    }
    Q_EMIT MouseDown(button, shift, position.x(), position.y());
}

void rkButtons_H::mousePressEvent(QMouseEvent* event)
{
    m_suppressNextClick = false;
    m_pressInside = true;
    mouseDownPath(buttonCode(event->button()), shiftState(event->modifiers()), event->position());
}

void rkButtons_H::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->button());
    const QPoint at = event->position().toPoint();
    const bool inside = rect().contains(at) && (mask().isEmpty() || mask().contains(at));
    // The host reports a click for a press and release on the button; the release that
    // ends a double click reports none.
    const bool click = inside && m_pressInside && !m_suppressNextClick;
    m_pressInside = false;
    m_suppressNextClick = false;
    m_pressedLook = false;
    if (button == kLeftButton) {
        m_stateFlags &= ~kStatePressed;
        m_delayDrawing = false;
        // Check and option buttons are redrawn by the click's change of Value; without a
        // click they must drop their pressed look here.
        if (m_props.mode == Behaviour::Push || !click) {
            RedrawButton();
        }
    }
    const QPointer<rkButtons_H> self(this);
    Q_EMIT MouseUp(button, shiftState(event->modifiers()), event->position().x(),
                   event->position().y());
    if (!self) {
        return;
    }
    m_lastMouseButton = button;
    if (click) {
        UserControl_Click();
    }
}

void rkButtons_H::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    const QPointer<rkButtons_H> self(this);
    Q_EMIT DoubleClick(m_lastMouseButton);
    if (!self) {
        return;
    }
    m_pressInside = true;
    m_suppressNextClick = true;
    if (m_lastMouseButton == kLeftButton) {
        mouseDownPath(kLeftButton, 0, at);
        if (self) {
            m_lastMouseButton = -1;
        }
    } else {
        Q_EMIT MouseDown(kLeftButton, 0, at.x(), at.y());
    }
}

void rkButtons_H::UserControl_Click()
{
    if (m_lastMouseButton != kLeftButton) {
        return;
    }
    switch (m_props.mode) {
    case Behaviour::Push:
        Q_EMIT Click();
        break;
    case Behaviour::Check:
        setValue(!m_props.value);
        Q_EMIT Click();
        break;
    default:
        if (m_props.value) {
            // No change and no event, but the pressed look of the press must go.
            RedrawButton();
            return;
        }
        setValue(true);
        Q_EMIT Click();
        break;
    }
}

// --- keyboard and focus --------------------------------------------------------------

void rkButtons_H::keyPressEvent(QKeyEvent* event)
{
    int keyCode = platform::input::keyCode(event->key());
    const int shift = shiftState(event->modifiers());
    event->accept();
    const QPointer<rkButtons_H> self(this);
    if (isArrowKey(keyCode)) {
        // The container moves the focus; the host never sees the arrow.
        const ArrowKey& arrow = kArrowKeys[static_cast<std::size_t>(keyCode - kKeyLeft)];
        if (m_containerWindow) {
            QCoreApplication::postEvent(m_containerWindow,
                                        new QKeyEvent(QEvent::KeyPress, arrow.qtKey,
                                                      event->modifiers(), arrow.scanCode,
                                                      static_cast<quint32>(arrow.virtualKey), 0));
        }
        keyCode = 0;
    } else if (isPressKey(keyCode, event->modifiers()) && !event->isAutoRepeat()) {
        // Return and Enter press the button as Space does: a button that takes the focus
        // must answer the keys a keyboard user presses it with.
        m_pressKey = keyCode;
        if (!(m_stateFlags & kStatePressed)) {
            // Drawn as pressed under the mouse, wherever the mouse is.
            const bool hovering = Hovering();
            m_stateFlags |= kStatePressed | kStateHover;
            m_pressedLook = true;
            RedrawButton();
            setHoverBit(hovering);
        }
    }
    if (keyCode != 0) {
        Q_EMIT KeyDown(keyCode, shift);
        if (!self) {
            return;
        }
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() > 0 && text.at(0).unicode() < 256) {
        Q_EMIT KeyPress(text.at(0).unicode());
    }
}

void rkButtons_H::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    if (event->isAutoRepeat()) {
        return; // a held key repeats its key-down only
    }
    int keyCode = platform::input::keyCode(event->key());
    const int shift = shiftState(event->modifiers());
    m_pressedLook = false;
    const QPointer<rkButtons_H> self(this);
    if (keyCode == m_pressKey && keyCode != 0 && (m_stateFlags & kStatePressed)) {
        m_pressKey = 0;
        m_lastMouseButton = kLeftButton;
        m_stateFlags &= ~kStatePressed;
        if (m_props.mode == Behaviour::Push) {
            RedrawButton();
        } else {
            Q_EMIT KeyUp(keyCode, shift);
            keyCode = 0;
            if (!self) {
                return;
            }
        }
        UserControl_Click();
    } else if (isArrowKey(keyCode)) {
        keyCode = 0;
        if (m_props.mode == Behaviour::Option && !m_props.value) {
            m_lastMouseButton = kLeftButton;
            UserControl_Click();
        }
    } else if (keyCode == kKeyShift) {
        keyCode = 0;
    }
    if (keyCode != 0 && self) {
        Q_EMIT KeyUp(keyCode, shift);
    }
}

void rkButtons_H::AccessKeyPress(int keyAscii)
{
    if ((keyAscii == kAsciiEnter || keyAscii == kAsciiEscape) && m_props.mode != Behaviour::Push) {
        return;
    }
    if (!(m_stateFlags & kStateDefault)) {
        RedrawButton();
    }
    m_lastMouseButton = kLeftButton;
    UserControl_Click();
}

void rkButtons_H::click()
{
    if (!isEnabled()) {
        return;
    }
    m_lastMouseButton = kLeftButton;
    UserControl_Click();
}

void rkButtons_H::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_pressKey != 0) {
        // The key that pressed the button will come up elsewhere: no click.
        m_pressKey = 0;
        m_stateFlags &= ~kStatePressed;
        m_pressedLook = false;
        RedrawButton();
    }
    update();
}

void rkButtons_H::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    if (m_props.mode == Behaviour::Option && !m_props.value && !OptionToggle(2)) {
        m_lastMouseButton = kLeftButton;
        UserControl_Click();
    }
}

void rkButtons_H::dragMoveEvent(QDragMoveEvent* event)
{
    Q_EMIT OLEDragOver(event);
}

void rkButtons_H::dropEvent(QDropEvent* event)
{
    Q_EMIT OLEDragDrop(event);
}

} // namespace rkbuttons
