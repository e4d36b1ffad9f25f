#include "controls/rkbuttons/rkButtons_H.h"

#include "controls/rkbuttons/modRkTimer.h"
#include "platform/AmbientProperties.h"
#include "platform/MessageBoxService.h"
#include "platform/Units.h"
#include "platform/WindowProperties.h"

#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QDynamicPropertyChangeEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <array>

using platform::OleColor;
using rkpaint::ConvertColor;
using rkpaint::ShiftColor;

namespace {

namespace props = platform::windowprops;

const QString kClassIdProperty = QStringLiteral("rk_ClassID");
const QString kTimerIdProperty = QStringLiteral("rk_TimerID");
const QString kOptionCountProperty = QStringLiteral("rk_OptCount");

QString optionEntryKey(qint64 index)
{
    return QString::number(index) + QStringLiteral("rk_Obj");
}

// Key codes the events carry, as the classic virtual-key numbers.
constexpr int kKeyShift = 16;
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

int virtualKeyOf(const QKeyEvent* event)
{
    const int key = event->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return key; // the letters' and digits' codes are their upper-case characters
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return 112 + (key - Qt::Key_F1);
    }
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return kKeyShift;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return kKeySpace;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return event->nativeVirtualKey() > 0 && event->nativeVirtualKey() < 256
                   ? static_cast<int>(event->nativeVirtualKey())
                   : 0;
    }
}

int shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) {
        shift |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        shift |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        shift |= 4;
    }
    return shift;
}

int buttonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return rkButtons_H::kLeftButton;
    case Qt::RightButton:
        return rkButtons_H::kRightButton;
    case Qt::MiddleButton:
        return rkButtons_H::kMiddleButton;
    default:
        return 0;
    }
}

int buttonsOf(Qt::MouseButtons buttons)
{
    int result = 0;
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons & button) {
            result |= buttonOf(button);
        }
    }
    return result;
}

// Directions of the one-pixel shift of a pressed custom-shaped button, by CustomClick.
constexpr std::array<QPoint, 9> kCustomClickOffsets = {
    QPoint(0, 0),  QPoint(0, -1), QPoint(1, -1), QPoint(-1, -1), QPoint(1, 1),
    QPoint(-1, 1), QPoint(1, 0),  QPoint(0, 1),  QPoint(-1, 0)};

int inRange(qint64 value, int low, int high, int fallback)
{
    return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

} // namespace

rkButtons_H::rkButtons_H(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    recordContainer();
    m_containerBackColor = ConvertColor(platform::AmbientProperties(this).BackColor());
    m_rightEdge = width();
    PrepareResource(Resource::Font);
    PrepareResource(Resource::BackColor);
}

rkButtons_H::~rkButtons_H()
{
    // The timer reaches this object only through a borrowed reference: it stops first.
    modRkTimer::KillTimer(this, modRkTimer::kHoverTimerId);
    if (m_mode == 2) {
        // Leaving quietly: a set button going away clears nobody else.
        m_value = false;
        OptionToggle(-1);
    }
}

// --- host conventions ----------------------------------------------------------------

void rkButtons_H::recordContainer()
{
    m_containerWindow = parentWidget();
}

bool rkButtons_H::isDesignMode() const
{
    return !platform::AmbientProperties(this).UserMode();
}

void rkButtons_H::showDesignMessage(const QString& text) const
{
    if (isDesignMode()) {
        platform::showMessage(text, platform::MessageButtons::Ok,
                              platform::MessageIcon::Information);
    }
}

void rkButtons_H::notifyChanged(const QString& key)
{
    Q_EMIT PropertyChanged(key);
}

void rkButtons_H::UserControl_InitProperties()
{
    const platform::AmbientProperties ambient(this);
    recordContainer();
    setCaption(ambient.DisplayName());
    m_captionAlign = 2;
    m_showFocusRect = true;
    m_hoverForeColor = kButtonText;
    m_hoverBackColor = kButtonFace;
    setFont(ambient.Font());
    m_containerBackColor = ConvertColor(ambient.BackColor());
    m_backColor = kButtonFace;
    PrepareResource(Resource::BackColor);
    for (const char* key : {"Caption", "CapAlign", "Focus", "cFHover", "cBHover", "Font"}) {
        notifyChanged(QString::fromLatin1(key));
    }
}

void rkButtons_H::UserControl_ReadProperties(const platform::PropertyBag& bag)
{
    const platform::AmbientProperties ambient(this);
    recordContainer();
    m_containerBackColor = ConvertColor(ambient.BackColor());
    m_delayDrawing = true;

    // Values out of range fall back to their defaults, so a damaged form still loads.
    m_caption = bag.readString(QStringLiteral("Caption"), QString());
    m_captionAlign = inRange(bag.readLong(QStringLiteral("CapAlign"), 2), 0, 2, 2);
    m_buttonStyle = inRange(bag.readLong(QStringLiteral("BackStyle"), 0), 0, 7, 0);
    m_buttonShape = inRange(bag.readLong(QStringLiteral("Shape"), 0), 0, 8, 0);
    m_gradientMode = inRange(bag.readLong(QStringLiteral("Gradient"), 0), 0, 4, 0);
    m_gradientColor = bag.readColor(QStringLiteral("cGradient"), kButtonFace);
    m_foreColor = bag.readColor(QStringLiteral("cFore"), kButtonText);
    setFont(bag.readFont(QStringLiteral("Font"), font()));
    m_showFocusRect = bag.readBoolean(QStringLiteral("Focus"), true);
    m_mode = inRange(bag.readLong(QStringLiteral("Mode"), 0), 0, 2, 0);
    m_value = bag.readBoolean(QStringLiteral("Value"), false) && m_mode != 0;
    m_customClick = inRange(bag.readLong(QStringLiteral("CustomClick"), 0), 0, 8, 0);
    m_picture = bag.readPicture(QStringLiteral("Image"));
    const qint16 imgSize = bag.readInteger(QStringLiteral("ImgSize"), 16);
    m_imgSize = (imgSize >= 16 && imgSize <= 48 && imgSize % 8 == 0) ? imgSize : 16;
    m_pictureAlign = inRange(bag.readLong(QStringLiteral("ImgAlign"), 0), 0, 5, 0);
    m_hoverForeColor = bag.readColor(QStringLiteral("cFHover"), kButtonText);
    setEnabled(bag.readBoolean(QStringLiteral("Enabled"), true));
    m_backColor = bag.readColor(QStringLiteral("cBack"), ambient.BackColor());
    m_hoverBackColor = bag.readColor(QStringLiteral("cBHover"), m_backColor);
    m_hoverColorLocks = bag.readLong(QStringLiteral("LockHover"), 0);
    m_captionStyle = inRange(bag.readLong(QStringLiteral("CapStyle"), 0), 0, 2, 0);
    // The icon goes through its setter first, so that a stored pointer wins over the
    // custom pointer the icon selects.
    const platform::Picture icon = bag.readPicture(QStringLiteral("mIcon"));
    if (!icon.isNull()) {
        setMouseIcon(icon);
    }
    m_mousePointer = bag.readInteger(QStringLiteral("mPointer"), 0);
    applyMousePointer();

    PrepareResource(Resource::Picture);
    if (m_buttonShape >= 7 && (m_picture.isNull() || m_pictureIsIcon)) {
        // A custom shape is cut from a bitmap; without one the button stays rectangular.
        m_buttonShape = 0;
    }
    if (m_buttonShape >= 7) {
        m_imgSize = 48;
    }
    PrepareResource(Resource::BackColor);
    m_accessKeys = findAccessKey(m_caption);
    registerAccessKey();
    if (m_mode == 2) {
        OptionToggle(1);
    }
    m_delayDrawing = false;
    UserControl_Resize();
}

void rkButtons_H::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    bag.writeString(QStringLiteral("Caption"), m_caption, QString());
    bag.writeLong(QStringLiteral("CapAlign"), m_captionAlign, 2);
    bag.writeLong(QStringLiteral("BackStyle"), m_buttonStyle, 0);
    bag.writeLong(QStringLiteral("Shape"), m_buttonShape, 0);
    bag.writeFont(QStringLiteral("Font"), font(), std::nullopt);
    bag.writeColor(QStringLiteral("cFore"), m_foreColor, kButtonText);
    bag.writeColor(QStringLiteral("cFHover"), m_hoverForeColor, kButtonText);
    bag.writeColor(QStringLiteral("cBhover"), m_hoverBackColor, m_backColor);
    bag.writeBoolean(QStringLiteral("Focus"), m_showFocusRect, true);
    bag.writeLong(QStringLiteral("LockHover"), m_hoverColorLocks, 0);
    bag.writeColor(QStringLiteral("cGradient"), m_gradientColor, kButtonFace);
    bag.writeLong(QStringLiteral("Gradient"), m_gradientMode, 0);
    bag.writeLong(QStringLiteral("CapStyle"), m_captionStyle, 0);
    bag.writeLong(QStringLiteral("Mode"), m_mode, std::nullopt);
    bag.writeBoolean(QStringLiteral("Value"), m_value, std::nullopt);
    bag.writeLong(QStringLiteral("CustomClick"), m_customClick, 0);
    bag.writeLong(QStringLiteral("ImgAlign"), m_pictureAlign, 0);
    bag.writePicture(QStringLiteral("Image"), m_picture);
    bag.writeInteger(QStringLiteral("ImgSize"), static_cast<qint16>(m_imgSize), 16);
    bag.writeBoolean(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writeColor(QStringLiteral("cBack"), m_backColor, std::nullopt);
    bag.writeInteger(QStringLiteral("mPointer"), static_cast<qint16>(m_mousePointer), 0);
    bag.writePicture(QStringLiteral("mIcon"), m_mouseIcon);
}

// --- properties ----------------------------------------------------------------------

void rkButtons_H::setButtonStyle(int style)
{
    if (style < 0 || style > 7) {
        return;
    }
    const int old = m_buttonStyle;
    m_buttonStyle = style;
    if (m_buttonShape < 4 || ((old == 5 || style == 5) && m_buttonShape < 7)) {
        BuildButtonRegion();
    }
    LayoutCaption();
    PrepareResource(Resource::BackColor);
    RedrawButton();
    notifyChanged(QStringLiteral("BackStyle"));
}

void rkButtons_H::setMode(int mode)
{
    if (mode < 0 || mode > 2 || mode == m_mode) {
        return;
    }
    const int old = m_mode;
    if (old == 2) {
        OptionToggle(-1);
    }
    m_mode = mode;
    if (mode == 2) {
        OptionToggle(1);
    }
    if (mode == 0) {
        m_value = false;
    }
    RedrawButton();
    notifyChanged(QStringLiteral("Mode"));
}

QString rkButtons_H::findAccessKey(const QString& caption)
{
    qsizetype i = caption.size() - 1;
    while (i >= 0) {
        if (caption[i] == QLatin1Char('&')) {
            if (i > 0 && caption[i - 1] == QLatin1Char('&')) {
                i -= 2; // a literal ampersand
                continue;
            }
            return caption.mid(i + 1, 1);
        }
        --i;
    }
    return {};
}

void rkButtons_H::registerAccessKey()
{
    if (m_accessShortcutId != 0) {
        releaseShortcut(m_accessShortcutId);
        m_accessShortcutId = 0;
    }
    if (!m_accessKeys.isEmpty() && m_accessKeys != QLatin1String("&")) {
        const QKeySequence sequence = QKeySequence::mnemonic(QLatin1Char('&') + m_accessKeys);
        if (!sequence.isEmpty()) {
            m_accessShortcutId = grabShortcut(sequence, Qt::WindowShortcut);
        }
    }
}

void rkButtons_H::setCaption(const QString& caption)
{
    m_accessKeys = findAccessKey(caption);
    registerAccessKey();
    m_caption = caption;
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("Caption"));
}

void rkButtons_H::setCaptionAlign(int align)
{
    if (align < 0 || align > 2) {
        return;
    }
    if (!m_picture.isNull() && (m_pictureAlign == 4 || m_pictureAlign == 5) && align != 2) {
        showDesignMessage(QStringLiteral("When button images are aligned top/bottom center, \r\n"
                                         "button captions can only be center aligned"));
        return;
    }
    m_captionAlign = align;
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("CapAlign"));
}

void rkButtons_H::setCaptionStyle(int style)
{
    if (style < 0 || style > 2) {
        return;
    }
    m_captionStyle = style;
    if (!m_caption.isEmpty()) {
        LayoutCaption();
        RedrawButton();
    }
    notifyChanged(QStringLiteral("CapStyle"));
}

void rkButtons_H::setCustomClick(int direction)
{
    if (direction < 0 || direction > 8) {
        return;
    }
    m_customClick = direction;
    if (direction >= 1 && m_buttonShape < 7) {
        showDesignMessage(QStringLiteral(
            "This property has no effect unless the Button Shape is a custom shape."));
    }
    notifyChanged(QStringLiteral("CustomClick"));
}

void rkButtons_H::setButtonShape(int shape)
{
    if (shape < 0 || shape > 8) {
        return;
    }
    if (shape >= 7) {
        if (m_picture.isNull() || m_pictureIsIcon) {
            showDesignMessage(QStringLiteral(
                "The Picture Property must be assigned first and must be a bitmap or JPEG."));
            return;
        }
        m_delayDrawing = true;
        // Set directly: the PictureSize setter refuses custom shapes, and the button may
        // already have one when it changes from one custom shape to the other.
        m_imgSize = 48;
    }
    m_buttonShape = shape;
    m_captionAlign = 2;
    m_delayDrawing = false;
    UserControl_Resize();
    notifyChanged(QStringLiteral("Shape"));
}

void rkButtons_H::setPicture(const platform::Picture& picture)
{
    m_picture = picture;
    if (m_imgSize == 0) {
        m_imgSize = 16;
    }
    PrepareResource(Resource::Picture);
    if (m_buttonShape < 7) {
        LayoutCaption();
        RedrawButton();
    } else {
        if (m_picture.isNull()) {
            m_buttonShape = 0;
        } else if (m_pictureIsIcon) {
            m_buttonShape = 0;
            showDesignMessage(
                QStringLiteral("Icons cannot be used for custom buttons. Only use bitmaps or "
                               "JPEGs.\r\nButton was changed to Rectangular shaped."));
        }
        UserControl_Resize();
    }
    notifyChanged(QStringLiteral("Image"));
}

void rkButtons_H::setPictureAlign(int align)
{
    if (align < 0 || align > 5) {
        return;
    }
    m_pictureAlign = align;
    if (align == 4 || align == 5) {
        m_captionAlign = 2;
    }
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("ImgAlign"));
}

void rkButtons_H::setShowFocusRect(bool show)
{
    if (show == m_showFocusRect) {
        return;
    }
    m_showFocusRect = show;
    if (m_stateFlags & kStateDefault) {
        if (isDesignMode()) {
            showDesignMessage(QStringLiteral(
                "The focus rectangle may appear on default buttons ONLY while in design mode, "
                "\r\nbut will not appear when the form is running."));
        } else {
            m_stateFlags &= ~kStateDefault;
        }
    }
    RedrawButton();
    notifyChanged(QStringLiteral("Focus"));
}

void rkButtons_H::setValue(bool value)
{
    if (value && m_mode == 0) {
        showDesignMessage(
            QStringLiteral("This property is not applicable for command button modes."));
        return;
    }
    if (value == m_value) {
        return;
    }
    m_value = value;
    if (value && m_mode == 2) {
        OptionToggle(0);
    }
    RedrawButton();
    notifyChanged(QStringLiteral("Value"));
}

void rkButtons_H::setPictureSize(int size)
{
    if (size < 0 || size > 4) {
        return;
    }
    if (m_buttonShape >= 7) {
        showDesignMessage(QStringLiteral("The picture size cannot be changed for Shaped buttons"));
        return;
    }
    m_imgSize = (size + 2) * 8;
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("ImgSize"));
}

void rkButtons_H::applyMousePointer()
{
    static const std::array<Qt::CursorShape, 16> kPointers = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
    if (m_mousePointer == kCustomPointer && !m_mouseIcon.isNull()) {
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon.image())));
    } else if (m_mousePointer > 0 && m_mousePointer < static_cast<int>(kPointers.size())) {
        setCursor(kPointers[static_cast<std::size_t>(m_mousePointer)]);
    } else {
        unsetCursor();
    }
}

void rkButtons_H::setMousePointer(int pointer)
{
    m_mousePointer = static_cast<qint16>(pointer);
    applyMousePointer();
    notifyChanged(QStringLiteral("mPointer"));
}

void rkButtons_H::setMouseIcon(const platform::Picture& icon)
{
    if (!icon.isNull() && icon.type() != platform::Picture::Type::Icon &&
        icon.type() != platform::Picture::Type::Cursor) {
        // Shown at run time too: the program asked for something the pointer cannot be.
        platform::showMessage(QStringLiteral("Invalid property value"),
                              platform::MessageButtons::Ok, platform::MessageIcon::Information,
                              QStringLiteral("Select .ico Or .cur Files Only"));
        return;
    }
    m_mouseIcon = icon;
    if (!icon.isNull()) {
        m_mousePointer = kCustomPointer;
    }
    applyMousePointer();
    notifyChanged(QStringLiteral("mIcon"));
}

int rkButtons_H::FontStyle() const
{
    const QFont current = font();
    return (current.bold() ? 2 : 0) | (current.italic() ? 4 : 0) | (current.underline() ? 8 : 0);
}

void rkButtons_H::setFontStyle(int style)
{
    QFont changed = font();
    changed.setBold((style & 2) != 0);
    changed.setItalic((style & 4) != 0);
    changed.setUnderline((style & 8) != 0);
    setFont(changed);
}

void rkButtons_H::setForeColor(OleColor color)
{
    if (color == m_foreColor) {
        return;
    }
    m_foreColor = color;
    if (!(m_hoverColorLocks & 2)) {
        m_hoverForeColor = color;
    }
    m_delayDrawing = false;
    RedrawButton();
    notifyChanged(QStringLiteral("cFore"));
}

void rkButtons_H::setBackColor(OleColor color)
{
    m_backColor = color;
    if (!(m_hoverColorLocks & 1)) {
        setHoverBackColor(m_gradientMode != 0 ? m_gradientColor : color);
    }
    PrepareResource(Resource::BackColor);
    RedrawButton();
    notifyChanged(QStringLiteral("cBack"));
}

void rkButtons_H::setGradientColor(OleColor color)
{
    m_gradientColor = color;
    if (m_gradientMode > 0 && !(m_hoverColorLocks & 1)) {
        m_hoverBackColor = color;
    }
    PrepareResource(Resource::BackColor);
    if (m_gradientMode != 0) {
        RedrawButton();
    }
    notifyChanged(QStringLiteral("cGradient"));
}

void rkButtons_H::setGradientMode(int mode)
{
    if (mode < 0 || mode > 4) {
        return;
    }
    m_gradientMode = mode;
    if (!(m_hoverColorLocks & 1)) {
        m_hoverBackColor = mode == 0 ? m_backColor : m_gradientColor;
    }
    PrepareResource(Resource::BackColor);
    RedrawButton();
    notifyChanged(QStringLiteral("Gradient"));
}

void rkButtons_H::setResetDefaultColors(bool reset)
{
    if (!reset || !isDesignMode()) {
        return;
    }
    m_delayDrawing = true;
    setBackColor(kButtonFace);
    setForeColor(kButtonText);
    m_delayDrawing = true;
    setGradientColor(kButtonFace);
    setGradientMode(0);
    setHoverColorLocks(0);
    PrepareResource(Resource::BackColor);
    Refresh();
    notifyChanged(QStringLiteral("cGradient"));
    notifyChanged(QStringLiteral("cBack"));
}

void rkButtons_H::setHoverColorLocks(int locks)
{
    m_hoverColorLocks = locks;
    if (locks == 0 || locks == 2) {
        m_hoverBackColor = m_gradientMode > 0 ? m_gradientColor : m_backColor;
    }
    if (locks == 0 || locks == 1) {
        m_hoverForeColor = m_foreColor;
    }
    PrepareResource(Resource::BackColor);
    RedrawButton();
    notifyChanged(QStringLiteral("LockHover"));
}

// A hover colour that differs from its base colour is the user's choice and is locked,
// even when the same value was already in place (the back colour following a gradient).
void rkButtons_H::setHoverForeColor(OleColor color)
{
    const bool changed = color != m_hoverForeColor;
    m_hoverForeColor = color;
    if (color != m_foreColor) {
        m_hoverColorLocks |= 2;
    }
    if (changed) {
        notifyChanged(QStringLiteral("cFHover"));
    }
}

void rkButtons_H::setHoverBackColor(OleColor color)
{
    const bool changed = color != m_hoverBackColor;
    m_hoverBackColor = color;
    if (color != m_backColor) {
        m_hoverColorLocks |= 1;
    }
    if (changed) {
        PrepareResource(Resource::BackColor);
        notifyChanged(QStringLiteral("cBHover"));
    }
}

void rkButtons_H::Refresh()
{
    m_delayDrawing = false;
    RedrawButton();
}

void rkButtons_H::DelayDrawing(bool delay)
{
    m_delayDrawing = delay;
    if (!delay) {
        Refresh();
    }
}

// --- option groups -------------------------------------------------------------------

bool rkButtons_H::OptionToggle(int nOpt)
{
    QWidget* container = m_containerWindow;
    if (!container) {
        return false;
    }
    const qint64 count = props::number(container, kOptionCountProperty).value_or(0);
    auto member = [container](qint64 index) {
        return qobject_cast<rkButtons_H*>(props::object(container, optionEntryKey(index)));
    };

    if ((nOpt == 1 || count >= 1) && m_value) {
        const QPointer<rkButtons_H> self(this);
        for (qint64 i = 1; i <= count && self; ++i) {
            rkButtons_H* other = member(i);
            if (other && other != this) {
                other->setValue(false);
            }
        }
    }

    switch (nOpt) {
    case 1:
        props::setNumber(container, kOptionCountProperty, count + 1);
        props::setObject(container, optionEntryKey(count + 1), this);
        return false;
    case -1: {
        qint64 found = 0;
        for (qint64 i = 1; i <= count; ++i) {
            if (found == 0) {
                if (props::object(container, optionEntryKey(i)) == this) {
                    found = i;
                }
            } else {
                props::setObject(container, optionEntryKey(i - 1),
                                 props::object(container, optionEntryKey(i)));
            }
        }
        // A button that is not a member removes nobody.
        if (found == 0) {
            return false;
        }
        props::remove(container, optionEntryKey(count));
        if (count == 1) {
            props::remove(container, kOptionCountProperty);
        } else {
            props::setNumber(container, kOptionCountProperty, count - 1);
        }
        return false;
    }
    case 2:
        for (qint64 i = 1; i <= count; ++i) {
            const rkButtons_H* other = member(i);
            if (other && other->Value()) {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

// --- resources -----------------------------------------------------------------------

void rkButtons_H::PrepareResource(Resource resource)
{
    switch (resource) {
    case Resource::Font: {
        const QFont source = font();
        QFont caption(source.family().left(32));
        if (source.pointSizeF() > 0) {
            caption.setPixelSize(
                std::max<int>(1, static_cast<int>(platform::roundHalfEven(
                                     source.pointSizeF() * 20.0 / platform::twipsPerPixelY()))));
        } else {
            caption.setPixelSize(source.pixelSize());
        }
        caption.setWeight(source.weight());
        caption.setItalic(source.italic());
        caption.setUnderline(source.underline());
        caption.setStrikeOut(source.strikeOut());
        m_captionFont = caption;
        break;
    }
    case Resource::Picture:
        m_pictureCache = QImage();
        if (m_picture.isNull()) {
            m_scaledPicture = QImage();
            m_pictureWidth = 0;
            m_pictureHeight = 0;
            m_pictureIsIcon = false;
        } else {
            m_pictureWidth = m_picture.image().width();
            m_pictureHeight = m_picture.image().height();
            m_pictureIsIcon = m_picture.type() == platform::Picture::Type::Icon ||
                              m_picture.type() == platform::Picture::Type::Cursor;
        }
        break;
    case Resource::BackColor: {
        const OleColor face = ConvertColor(m_backColor);
        const OleColor hover = ConvertColor(m_hoverBackColor);
        switch (m_buttonStyle) {
        case 2:
            m_palette.face = ShiftColor(face, 48, true);
            m_palette.shade = ShiftColor(m_palette.face, -32, true);
            m_palette.hoverFace = ShiftColor(hover, 48, true);
            m_palette.checkedFace = ShiftColor(0xFFFFFF, -32, true);
            break;
        case 3:
            m_palette.face = face;
            m_palette.shade = ShiftColor(0x808080, 12);
            m_palette.hoverFace = hover;
            m_palette.checkedFace = ShiftColor(m_palette.shade, 31);
            break;
        case 7:
            m_palette.face = ShiftColor(face, 31);
            m_palette.shade = ShiftColor(0x808080, -16);
            m_palette.hoverFace = ShiftColor(hover, 31);
            m_palette.checkedFace = ShiftColor(0x808080, 16, true);
            break;
        default:
            m_palette.face = face;
            m_palette.shade = face;
            m_palette.hoverFace = hover;
            m_palette.checkedFace = ShiftColor(0xFFFFFF, -32);
            break;
        }
        break;
    }
    }
}

void rkButtons_H::PrepareBuffer()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_memory.size() != wanted) {
        m_memory = QImage(wanted, QImage::Format_RGB32);
        m_memory.fill(rkpaint::toRgb(ConvertColor(m_backColor)));
    }
}

// --- caption layout ------------------------------------------------------------------

namespace {
constexpr int kCaptionMargin = 3;
constexpr int kPictureGap = 4;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;

int horizontalAlignment(int captionAlign)
{
    switch (captionAlign) {
    case 0:
        return Qt::AlignLeft;
    case 1:
        return Qt::AlignRight;
    default:
        return Qt::AlignHCenter;
    }
}
} // namespace

void rkButtons_H::LayoutCaption()
{
    const int W = width();
    const int H = height();
    QString text = m_caption;
    text.replace(QLatin1String("||"), QLatin1String("\n"));
    m_captionText = text;

    QRect room(kCaptionMargin, kCaptionMargin, W - 2 * kCaptionMargin, H - 2 * kCaptionMargin);
    const bool slantLeft = m_buttonShape == 1 || m_buttonShape == 3;
    const bool slantRight = m_buttonShape == 2 || m_buttonShape == 3;
    // The slant is as wide as the button is high (see buildSlantedRegion).
    const int slant = H + 1;
    if (slantLeft) {
        room.setLeft(room.left() + slant / 3);
    }
    if (slantRight) {
        room.setRight(room.right() - slant / 3);
    }
    const QRect fullRoom = room;
    const bool hasPicture = !m_picture.isNull() && m_buttonShape < 7;
    const int img = m_imgSize;
    const int pictureTop = (H - img) / 2;
    // A picture at a slanted side sits where the slant has passed its whole height.
    int pictureLeft = fullRoom.left();
    int pictureRight = fullRoom.right();
    if (slantLeft) {
        pictureLeft = std::max(pictureLeft, pictureTop + img + 1);
    }
    if (slantRight) {
        pictureRight = std::min(pictureRight, W - slant + pictureTop - 2);
    }
    if (hasPicture && img < 33) {
        switch (m_pictureAlign) {
        case 0:
        case 1:
            room.setLeft(std::max(room.left() + img, pictureLeft + img));
            break;
        case 2:
        case 3:
            room.setRight(std::min(room.right() - img, pictureRight - img));
            break;
        case 4:
            room.setTop(room.top() + img);
            break;
        case 5:
            room.setBottom(room.bottom() - img);
            break;
        default:
            break;
        }
    }

    const QFontMetrics metrics(m_captionFont);
    const QRect measured =
        text.isEmpty()
            ? QRect()
            : metrics.boundingRect(QRect(0, 0, std::max(1, room.width()), 100000),
                                   kTextFlags | horizontalAlignment(m_captionAlign), text);
    const int textHeight = measured.height();
    const int textTop = room.top() + (room.height() - textHeight) / 2;
    m_captionRect = QRect(room.left(), textTop, room.width(), textHeight);

    if (!hasPicture) {
        m_pictureRect = QRect();
        return;
    }
    switch (m_pictureAlign) {
    case 0:
        m_pictureRect = QRect(pictureLeft, pictureTop, img, img);
        break;
    case 2:
        m_pictureRect = QRect(pictureRight + 1 - img, pictureTop, img, img);
        break;
    case 1:
    case 3: {
        // The picture stays beside the text and the pair is centred together.
        const int textWidth = std::min(measured.width(), fullRoom.width());
        const int spare = std::max(0, fullRoom.width() - (textWidth + img + kPictureGap));
        const int start = fullRoom.left() + spare / 2;
        if (m_pictureAlign == 1) {
            m_pictureRect = QRect(start, pictureTop, img, img);
            if (img < 33) {
                m_captionRect = QRect(start + img + kPictureGap, textTop, textWidth, textHeight);
            }
        } else {
            if (img < 33) {
                m_captionRect = QRect(start, textTop, textWidth, textHeight);
            }
            m_pictureRect = QRect(start + textWidth + kPictureGap, pictureTop, img, img);
        }
        break;
    }
    case 4:
        m_pictureRect = QRect((W - img) / 2, fullRoom.top(), img, img);
        break;
    case 5:
        m_pictureRect = QRect((W - img) / 2, fullRoom.bottom() + 1 - img, img, img);
        break;
    default:
        m_pictureRect = QRect();
        break;
    }
}

// --- drawing -------------------------------------------------------------------------

bool rkButtons_H::pressedUnderMouse() const
{
    return (m_stateFlags & kStatePressed) && (m_stateFlags & kStateHover);
}

int rkButtons_H::drawingState() const
{
    return pressedUnderMouse() ? 2 : (m_stateFlags & kStateDefault);
}

QRegion rkButtons_H::faceClip() const
{
    return m_memoryClip;
}

rkpaint::EdgeGeometry rkButtons_H::edgeGeometry() const
{
    rkpaint::EdgeGeometry geometry;
    geometry.width = m_memory.width();
    geometry.height = m_memory.height();
    geometry.leftInset = m_leftInset;
    geometry.rightEdge = m_rightEdge;
    geometry.slantLeft = m_buttonShape == 1 || m_buttonShape == 3;
    geometry.slantRight = m_buttonShape == 2 || m_buttonShape == 3;
    return geometry;
}

void rkButtons_H::RedrawButton()
{
    if (m_delayDrawing) {
        return;
    }
    if (m_regionSize != size()) {
        // Resized while drawing was delayed: the outline still has the old size.
        BuildButtonRegion();
        LayoutCaption();
    }
    PrepareBuffer();
    // System colours are read at every redraw, so a new colour scheme shows at once.
    PrepareResource(Resource::BackColor);
    if (m_buttonShape >= 7 && m_mode == 0) {
        ApplyCustomClick();
    }
    const StyleResult result = drawStyle();
    if (result.drawn > 0) {
        m_screen = m_memory;
    }
    if (result.drawn == 2) {
        frameOutline(result);
    }
    update();
}

void rkButtons_H::frameOutline(const StyleResult& result)
{
    if (m_buttonShape >= 4 && m_buttonShape <= 6) {
        if (m_buttonStyle == 2 && !pressedUnderMouse()) {
            rkpaint::frameRegion(m_screen, m_innerRegion1, result.frameColor);
        } else if (m_buttonShape == 6) {
            rkpaint::frameRegion(m_screen, m_windowRegion, result.frameColor);
        }
        return;
    }
    if (m_buttonShape < 7) {
        return;
    }
    if (!m_hovering || pressedUnderMouse()) {
        if (m_stateFlags & kStateDefault) {
            const OleColor color =
                (m_value && m_mode == 1) ? ShiftColor(m_palette.shade, -32) : result.frameColor;
            rkpaint::frameRegion(m_screen, m_buttonShape == 8 ? m_innerRegion2 : m_innerRegion1,
                                 color);
        }
        return;
    }
    const OleColor color = m_mode == 2 ? result.frameColor : m_palette.hoverFace;
    if (color != ConvertColor(m_backColor) || m_mode == 2) {
        rkpaint::frameRegion(m_screen, m_windowRegion, color);
    }
}

void rkButtons_H::FillFace(OleColor base, OleColor gradient, std::optional<OleColor> hover)
{
    const QRegion clip = faceClip();
    auto clipped = [&clip](const QRect& rect) {
        return clip.isEmpty() ? QRegion(rect) : clip.intersected(rect);
    };
    const bool useHover = m_hovering && hover && (m_mode == 0 || !m_value);
    const OleColor color = useHover ? *hover : base;
    const int W = m_memory.width();
    const int H = m_memory.height();
    if (m_gradientMode == 0 || m_buttonShape >= 7 || m_value) {
        if (m_buttonStyle == 2 && (isEnabled() || m_mode != 0)) {
            // The shaded face darkens by up to 25 towards the bottom.
            for (int y = 0; y < H; ++y) {
                const auto shift = static_cast<int>(platform::roundHalfEven(25.0 / H * y));
                rkpaint::fillRegion(m_memory, clipped(QRect(0, y, W, 1)),
                                    ShiftColor(color, -shift));
            }
        } else {
            rkpaint::fillRegion(m_memory, clipped(m_memory.rect()), color);
        }
        return;
    }
    if (m_hovering && !pressedUnderMouse() && m_gradientColor != m_hoverBackColor) {
        rkpaint::fillRegion(m_memory, clipped(m_memory.rect()), color);
        return;
    }
    DrawGradient(base, gradient);
}

int rkButtons_H::screenLength(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    return horizontal ? screenSize.width() : screenSize.height();
}

void rkButtons_H::DrawGradient(OleColor c1, OleColor c2)
{
    rkpaint::drawGradient(m_memory, c1, c2, m_gradientMode,
                          screenLength(rkpaint::gradientIsHorizontal(m_gradientMode)), faceClip());
}

QImage rkButtons_H::scaledBitmap(const QSize& size) const
{
    const QImage& source = m_picture.image();
    // Scaled without smoothing, as a plain stretch copies pixels: the colour key survives.
    return rkpaint::normaliseColorKey(
        source.convertToFormat(QImage::Format_RGB32)
            .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void rkButtons_H::drawPicture(const QRect& rect)
{
    if (rect.isEmpty() || m_picture.isNull()) {
        return;
    }
    QPainter painter(&m_memory);
    if (!faceClip().isEmpty()) {
        painter.setClipRegion(faceClip());
    }
    if (m_pictureIsIcon) {
        QImage icon = m_picture.image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!isEnabled()) {
            // Disabled icons are washed out to a light grey of their own shape.
            for (int y = 0; y < icon.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
                for (int x = 0; x < icon.width(); ++x) {
                    const int alpha = qAlpha(line[x]);
                    const int grey = (128 + qGray(qUnpremultiply(line[x])) / 2) * alpha / 255;
                    line[x] = qRgba(grey, grey, grey, alpha);
                }
            }
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, icon);
        return;
    }
    QImage bitmap;
    if (m_buttonShape >= 7 && !m_scaledPicture.isNull() && m_scaledPicture.size() == rect.size()) {
        bitmap = m_scaledPicture;
    } else {
        if (m_pictureCache.size() != rect.size()) {
            m_pictureCache = scaledBitmap(rect.size());
        }
        bitmap = m_pictureCache;
    }
    const QRgb key = bitmap.pixel(0, 0);
    QImage layer(bitmap.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            QRgb pixel = source[x];
            if (pixel == key) {
                target[x] = 0;
                continue;
            }
            if (!isEnabled()) {
                const int grey = 128 + qGray(pixel) / 2;
                pixel = qRgb(grey, grey, grey);
            }
            target[x] = pixel | 0xFF000000u;
        }
    }
    painter.drawImage(rect.topLeft(), layer);
}

void rkButtons_H::DrawCaptionAndPicture(OleColor base, const CaptionColors& colors)
{
    const bool pushed = (m_pressedLook || pressedUnderMouse()) && m_buttonStyle != 3;
    const QPoint offset = pushed ? (m_buttonShape <= 3 ? QPoint(1, 1) : QPoint(0, 1)) : QPoint();

    if (!m_picture.isNull() && !(m_buttonShape >= 7 && m_value)) {
        QRect pictureRect = m_pictureRect.translated(offset);
        if (m_buttonShape >= 7) {
            pictureRect = m_memory.rect();
            if (pressedUnderMouse()) {
                pictureRect.adjust(1, 1, -1, -1);
            }
        }
        drawPicture(pictureRect);
    }

    if (m_captionText.isEmpty() || (m_buttonShape >= 5 && !m_value)) {
        return;
    }
    QPainter painter(&m_memory);
    if (!faceClip().isEmpty()) {
        painter.setClipRegion(faceClip());
    }
    painter.setFont(m_captionFont);
    const QRect rect = m_captionRect.translated(offset);
    const int flags = kTextFlags | horizontalAlignment(m_captionAlign) | Qt::AlignTop;
    auto drawAt = [&](QPoint shift, OleColor color) {
        painter.setPen(platform::toQColor(color));
        painter.drawText(rect.translated(shift), flags, m_captionText);
    };
    if (isEnabled()) {
        OleColor text =
            ConvertColor(m_hovering && !pressedUnderMouse() ? m_hoverForeColor : m_foreColor);
        if (colors.text) {
            text = *colors.text;
        }
        if (m_captionStyle == 1 || m_captionStyle == 2) {
            const int shift = m_captionStyle == 1 ? -40 : 40;
            drawAt(QPoint(-1, 0), ShiftColor(base, shift));
            drawAt(QPoint(1, 1), ShiftColor(base, -shift));
        }
        drawAt(QPoint(), text);
        return;
    }
    QPoint first;
    OleColor firstColor = 0xFFFFFF;
    if (!colors.disabled || m_gradientMode != 0) {
        first = QPoint(1, 1);
    } else {
        firstColor = *colors.disabled;
    }
    drawAt(first, firstColor);
    if (!colors.skipSecondDisabledPass) {
        drawAt(first - QPoint(1, 1), 0x808080);
    }
}

void rkButtons_H::DrawEdges(const rkpaint::EdgeColors& colors)
{
    if (m_buttonShape >= 4 && m_buttonShape <= 6) {
        drawEllipseEdges(colors);
        return;
    }
    if (m_buttonShape >= 7) {
        return; // custom outlines are framed after the copy
    }
    rkpaint::drawEdges(m_memory, edgeGeometry(), colors);
}

void rkButtons_H::drawEllipseEdges(const rkpaint::EdgeColors& colors)
{
    // An ellipse has one ring, on the edge of its face: the light part of the middle ring
    // on the upper left half, the dark part on the lower right.
    auto side = [&colors](std::size_t ring, std::size_t which) { return colors[ring + which]; };
    const std::optional<OleColor> light = side(rkpaint::Middle, rkpaint::Left)
                                              ? side(rkpaint::Middle, rkpaint::Left)
                                              : side(rkpaint::Outer, rkpaint::Left);
    const std::optional<OleColor> dark = side(rkpaint::Middle, rkpaint::Right)
                                             ? side(rkpaint::Middle, rkpaint::Right)
                                             : side(rkpaint::Outer, rkpaint::Right);
    const QRegion frame = rkpaint::regionFrame(m_innerRegion1);
    const qint64 W = m_memory.width();
    const qint64 H = m_memory.height();
    for (const QRect& rect : frame) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const bool upperLeft = x * H + y * W < W * H;
                const std::optional<OleColor>& color = upperLeft ? light : dark;
                if (color && m_memory.rect().contains(x, y)) {
                    m_memory.setPixel(x, y, rkpaint::toRgb(*color));
                }
            }
        }
    }
}

void rkButtons_H::drawSingleCorners(const QList<QPoint>& points, OleColor color)
{
    if (m_buttonShape != 0) {
        return;
    }
    for (const QPoint& point : points) {
        if (m_memory.rect().contains(point)) {
            m_memory.setPixel(point, rkpaint::toRgb(color));
        }
    }
}

void rkButtons_H::DrawFocus(OleColor edgeColor)
{
    if (!(m_stateFlags & kStateDefault) || m_buttonShape >= 7 ||
        (m_buttonShape >= 4 && m_buttonStyle == 2)) {
        return;
    }
    const int W = m_memory.width();
    const int H = m_memory.height();
    // The default button wears a frame of the style's darkest tone around its edges.
    if (m_buttonShape >= 4) {
        rkpaint::frameRegion(m_memory, m_innerRegion1, edgeColor);
    } else {
        rkpaint::EdgeColors frame{};
        for (std::size_t side = 0; side < 4; ++side) {
            frame[rkpaint::Outer + side] = edgeColor;
        }
        rkpaint::drawEdges(m_memory, edgeGeometry(), frame);
    }
    if (m_value) {
        return;
    }
    QRect focus(4, 4, W - 8, H - 8);
    if (m_buttonShape >= 4) {
        focus = QRect(W / 5, H / 5, W - 2 * (W / 5), H - 2 * (H / 5));
    } else {
        if (m_buttonShape == 1 || m_buttonShape == 3) {
            focus.setLeft(focus.left() + m_leftInset / 2);
        }
        if (m_buttonShape == 2 || m_buttonShape == 3) {
            focus.setRight(focus.right() - (W - m_rightEdge) / 2);
        }
    }
    if (focus.width() < 2 || focus.height() < 2) {
        return;
    }
    // A dotted rectangle that inverts what is under it, so it shows on any face.
    auto invert = [this](int x, int y) {
        if (m_memory.rect().contains(x, y)) {
            m_memory.setPixel(x, y, m_memory.pixel(x, y) ^ 0x00FFFFFFu);
        }
    };
    for (int x = focus.left(); x <= focus.right(); x += 2) {
        invert(x, focus.top());
        invert(x, focus.bottom());
    }
    for (int y = focus.top() + 2; y < focus.bottom(); y += 2) {
        invert(focus.left(), y);
        invert(focus.right(), y);
    }
}

// Edge colours. Every style wears a raised look, light on the left and top sides and dark
// on the right and bottom, and reverses it while it is pressed or set:
//   style 0  outer ring white/grey, middle ring light grey/(fourth tone); pressed: outer
//            grey/white; pushed check or option: outer grey/white, middle black/light grey
//   style 1  outer white/grey, middle -/face-48; reversed when pressed or set
//   style 2  outer face-104 all round; middle face+16/face-24,-36 and inner -/face-22;
//            default: middle 0xFFDFBF all round; pressed or set: middle face-48/face+10,
//            inner face-32; corner pixels face-84
//   style 3  outer 0x808080-26 all round; middle white (grey when pressed or set)/0x808080-26
//   style 4  outer face-48 all round; middle white/grey, reversed when pressed or set
//   style 5  rounded corners in the container's colour, outline face-64, inner arcs
//            white/face-32, reversed when pressed or set
//   style 6  outer grey all round; middle (0xDFDFDF+16)/face-48, reversed when pressed
//   style 7  outer ShadeColor all round; middle white/face-32, inner face+16/face-16;
//            pressed or set: middle face-32/white; ten corner pixels soften the cut corners
// The default button's outer ring is drawn over in the style's darkest tone.
rkButtons_H::StyleResult rkButtons_H::drawStyle()
{
    using rkpaint::Inner;
    using rkpaint::Middle;
    using rkpaint::Outer;
    using Tone = std::optional<OleColor>;
    constexpr OleColor kWhite = 0xFFFFFF;
    constexpr OleColor kGrey = 0x808080;
    constexpr OleColor kBlack = 0x000000;

    const int W = m_memory.width();
    const int H = m_memory.height();
    const bool enabled = isEnabled();
    const bool pressed = pressedUnderMouse();
    const bool set = m_mode != 0 && (m_pressedLook || m_value);
    const bool sunken = pressed || set;
    const OleColor gradient = ConvertColor(m_gradientColor);
    const Tone hover = pressed ? Tone() : Tone(m_palette.hoverFace);
    const OleColor face = (m_value && m_mode != 0) ? m_palette.checkedFace : m_palette.face;

    rkpaint::EdgeColors edges{};
    auto ring = [&edges](std::size_t which, Tone left, Tone top, Tone right, Tone bottom) {
        const auto base = static_cast<std::size_t>(which);
        edges[base + 0] = left;
        edges[base + 1] = top;
        edges[base + 2] = right;
        edges[base + 3] = bottom;
    };
    StyleResult result{m_buttonShape >= 4 ? 2 : 1, kBlack};

    switch (m_buttonStyle) {
    case 0: {
        OleColor light = pressed ? face : platform::rgb(233, 233, 233);
        Tone fourth;
        if (m_buttonShape >= 1 && m_buttonShape <= 3) {
            fourth = ShiftColor(face, -48);
        } else if (!enabled && m_mode != 0) {
            fourth = kGrey;
        }
        if (set) {
            light = platform::rgb(233, 233, 233);
            fourth = kBlack;
        }
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (set) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, fourth, fourth, light, light);
        } else if (pressed) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, light, light, Tone(), Tone());
        } else {
            ring(Outer, kWhite, kWhite, kGrey, kGrey);
            ring(Middle, light, light, fourth, fourth);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        break;
    }
    case 1: {
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (sunken) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, dark, dark, Tone(), Tone());
        } else {
            ring(Outer, kWhite, kWhite, kGrey, kGrey);
            ring(Middle, Tone(), Tone(), dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(kGrey);
        result.frameColor = kGrey;
        break;
    }
    case 2: {
        auto shade = [face](int shift) { return ShiftColor(face, shift); };
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        const OleColor border = shade(-104);
        ring(Outer, border, border, border, border);
        if (sunken) {
            ring(Middle, shade(-48), shade(-48), shade(10), shade(10));
            ring(Inner, shade(-32), shade(-32), Tone(), Tone());
        } else if (drawingState() == 1) {
            constexpr OleColor kDefaultRing = 0xFFDFBF;
            ring(Middle, kDefaultRing, kDefaultRing, kDefaultRing, kDefaultRing);
            ring(Inner, shade(48), shade(48), shade(-22), shade(-24));
        } else {
            ring(Middle, shade(16), shade(16), shade(-24), shade(-36));
            ring(Inner, Tone(), Tone(), shade(-22), Tone());
        }
        DrawEdges(edges);
        drawSingleCorners({QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)},
                          shade(-84));
        result.frameColor = border;
        break;
    }
    case 3: {
        OleColor flat = m_palette.face;
        if (pressed && m_mode == 0) {
            flat = m_palette.shade;
        }
        if (m_value && m_mode != 0) {
            flat = m_palette.checkedFace;
        }
        const OleColor dark = ShiftColor(kGrey, -26);
        const OleColor grey = enabled ? kGrey : ShiftColor(kGrey, -16);
        FillFace(flat, gradient, hover);
        DrawCaptionAndPicture(flat, {});
        const OleColor stateTone = sunken ? grey : kWhite;
        const OleColor outer = enabled ? dark : grey;
        ring(Outer, outer, outer, outer, outer);
        if (!enabled && m_mode == 0) {
            ring(Middle, flat, flat, flat, flat);
            ring(Inner, flat, flat, flat, flat);
        } else {
            ring(Middle, stateTone, stateTone, dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(0xCC9999);
        result.frameColor = dark;
        break;
    }
    case 4: {
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        ring(Outer, dark, dark, dark, dark);
        if (sunken) {
            ring(Middle, kGrey, kGrey, kWhite, kWhite);
        } else {
            ring(Middle, kWhite, kWhite, kGrey, kGrey);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        result.frameColor = dark;
        break;
    }
    case 5: {
        const OleColor outline = enabled ? ShiftColor(face, -64) : kGrey;
        const OleColor light = sunken ? ShiftColor(face, -32) : kWhite;
        const OleColor dark = sunken ? kWhite : ShiftColor(face, -32);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (m_buttonShape == 0) {
            drawRoundedEdges(light, dark, outline);
        } else {
            ring(Outer, outline, outline, outline, outline);
            ring(Middle, light, light, dark, dark);
            DrawEdges(edges);
        }
        DrawFocus(outline);
        result.frameColor = outline;
        break;
    }
    case 6: {
        const OleColor light = ShiftColor(0xDFDFDF, 16);
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        ring(Outer, kGrey, kGrey, kGrey, kGrey);
        if (sunken) {
            ring(Middle, dark, dark, light, light);
        } else {
            ring(Middle, light, light, dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        break;
    }
    default: {
        OleColor soft = face;
        if (pressed && m_mode == 0) {
            soft = ShiftColor(face, -24);
        }
        const OleColor shadow = m_palette.shade;
        CaptionColors colors;
        colors.text = ConvertColor(m_hovering && !pressed ? m_hoverForeColor : m_foreColor);
        FillFace(soft, gradient, hover);
        DrawCaptionAndPicture(soft, colors);
        ring(Outer, shadow, shadow, shadow, shadow);
        if (sunken) {
            ring(Middle, ShiftColor(soft, -32), ShiftColor(soft, -32), kWhite, kWhite);
        } else {
            ring(Middle, kWhite, kWhite, ShiftColor(soft, -32), ShiftColor(soft, -32));
            ring(Inner, ShiftColor(soft, 16), ShiftColor(soft, 16), ShiftColor(soft, -16),
                 ShiftColor(soft, -16));
        }
        DrawEdges(edges);
        drawSingleCorners({QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 3), QPoint(2, H - 2),
                           QPoint(W - 2, H - 3), QPoint(W - 3, H - 2)},
                          shadow);
        drawSingleCorners({QPoint(2, 2), QPoint(W - 3, 2), QPoint(2, H - 3), QPoint(W - 3, H - 3)},
                          ShiftColor(soft, -16));
        DrawFocus(shadow);
        result.frameColor = shadow;
        break;
    }
    }
    return result;
}

void rkButtons_H::drawRoundedEdges(OleColor light, OleColor dark, OleColor outline)
{
    const int W = m_memory.width();
    const int H = m_memory.height();
    const qreal radius = std::min(6, std::min(W, H) / 2);
    QPainter painter(&m_memory);
    // The corners outside the rounded outline take the container's colour.
    QPainterPath outside;
    outside.addRect(QRectF(m_memory.rect()));
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, W, H), radius, radius);
    painter.fillPath(outside.subtracted(rounded), platform::toQColor(m_containerBackColor));
    painter.setBrush(Qt::NoBrush);
    // The arcs of each half are drawn under a clip of that half.
    const QPolygon upperLeft({QPoint(0, 0), QPoint(W, 0), QPoint(0, H)});
    const QPolygon lowerRight({QPoint(W, 0), QPoint(W, H), QPoint(0, H)});
    painter.setClipRegion(QRegion(upperLeft));
    painter.setPen(platform::toQColor(light));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipRegion(QRegion(lowerRight));
    painter.setPen(platform::toQColor(dark));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipping(false);
    painter.setPen(platform::toQColor(outline));
    painter.drawRoundedRect(QRect(0, 0, W - 1, H - 1), radius, radius);
}

// --- regions -------------------------------------------------------------------------

QRegion rkButtons_H::cornerTrim(bool left, bool right) const
{
    const int W = width();
    const int H = height();
    QRegion trim;
    auto pixel = [&trim](int x, int y) { trim += QRect(x, y, 1, 1); };
    auto triangle = [&trim](QPoint a, QPoint b, QPoint c) {
        trim += QRegion(QPolygon({a, b, c}), Qt::WindingFill);
    };
    switch (m_buttonStyle) {
    case 1:
        if (left) {
            pixel(0, 0);
            pixel(0, H - 1);
        }
        if (right) {
            pixel(W - 1, 0);
            pixel(W - 1, H - 1);
        }
        break;
    case 3:
        if (isEnabled()) {
            if (left) {
                pixel(0, H - 1);
            }
            if (right) {
                pixel(W - 1, 0);
            }
        }
        break;
    case 2:
    case 7:
        if (left) {
            triangle(QPoint(0, 0), QPoint(2, 0), QPoint(0, 2));
            triangle(QPoint(0, H), QPoint(3, H), QPoint(0, H - 3));
        }
        if (right) {
            triangle(QPoint(W, 0), QPoint(W - 2, 0), QPoint(W, 2));
            triangle(QPoint(W, H), QPoint(W - 3, H), QPoint(W, H - 3));
        }
        break;
    default:
        break;
    }
    return trim;
}

void rkButtons_H::resizeSelf(int newWidth, int newHeight)
{
    // The nested resize only renews the bitmap: the rebuild in progress does the rest.
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    resize(newWidth, newHeight);
    m_delayDrawing = wasDelayed;
}

void rkButtons_H::buildSlantedRegion()
{
    int W = width();
    const int H = height();
    const auto slant = static_cast<int>(platform::roundHalfEven(4.0 * ((H + 1) / 4.0)));
    int wanted = W;
    while (wanted - slant < 5) {
        wanted += 5;
    }
    if (wanted > W) {
        resizeSelf(wanted, H);
        W = width();
        PrepareBuffer();
    }
    QPolygon polygon({QPoint(0, 0), QPoint(0, H + 1), QPoint(W + 1, H + 1), QPoint(W + 1, 0)});
    if (m_buttonShape == 1 || m_buttonShape == 3) {
        polygon[1] = QPoint(slant, H + 1);
        m_leftInset = slant;
    }
    if (m_buttonShape == 2 || m_buttonShape == 3) {
        polygon[3] = QPoint(W - slant + 1, 0);
        m_rightEdge = W - slant;
    }
    m_windowRegion = QRegion(polygon, Qt::WindingFill);
    if (m_buttonShape != 3) {
        m_windowRegion -= cornerTrim(m_buttonShape == 2, m_buttonShape == 1);
    }
}

bool rkButtons_H::buildCustomRegion()
{
    if (m_pictureWidth == 0 || m_pictureHeight == 0) {
        return false;
    }
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    const double ratio = std::min(static_cast<double>(width()) / m_pictureWidth,
                                  static_cast<double>(height()) / m_pictureHeight);
    const int fittedWidth =
        std::max(1, static_cast<int>(platform::roundHalfEven(m_pictureWidth * ratio)));
    const int fittedHeight =
        std::max(1, static_cast<int>(platform::roundHalfEven(m_pictureHeight * ratio)));
    if (fittedWidth != width() || fittedHeight != height()) {
        resizeSelf(fittedWidth, fittedHeight);
        PrepareBuffer();
    }
    const int W = width();
    const int H = height();

    QImage scaled;
    if (m_pictureIsIcon) {
        scaled = QImage(W, H, QImage::Format_RGB32);
        scaled.fill(Qt::white);
        QPainter painter(&scaled);
        painter.drawImage(scaled.rect(), m_picture.image());
    } else {
        scaled = m_picture.image()
                     .convertToFormat(QImage::Format_RGB32)
                     .scaled(W, H, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    if (scaled.isNull()) {
        return false; // drawing stays delayed until the next refresh or paint
    }

    const QRgb key = scaled.pixel(0, 0);
    QRegion transparent;
    for (int y = 0; y < H; ++y) {
        auto* line = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        int runStart = -1;
        for (int x = 0; x <= W; ++x) {
            const bool clear = x < W && rkpaint::nearColorKey(line[x], key);
            if (clear) {
                line[x] = key;
                if (runStart < 0) {
                    runStart = x;
                }
            } else if (runStart >= 0) {
                transparent += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    // Growing the runs by a pixel on every side is the union of their shifted copies.
    auto grown = [](const QRegion& region) {
        const QRegion wide =
            region.united(region.translated(1, 0)).united(region.translated(-1, 0));
        return wide.united(wide.translated(0, 1)).united(wide.translated(0, -1));
    };
    const QRegion transparent1 = grown(transparent);
    const QRegion transparent2 = grown(transparent1);
    const QRegion full(0, 0, W, H);
    m_windowRegion = full.subtracted(transparent);
    m_innerRegion1 = full.subtracted(transparent1);
    m_innerRegion2 = full.subtracted(transparent2);
    // The inner regions shrink evenly on every side, so they already sit centred inside
    // the outline; moving their corners to the outline's corner plus (1, 1) and (2, 2)
    // would pull them off centre on any outline with slanted or rounded edges.
    m_scaledPicture = scaled;

    if (m_buttonShape == 8) {
        drawRing();
    } else {
        rkpaint::frameRegion(m_memory, m_windowRegion, ConvertColor(m_backColor));
    }
    m_memoryClip = m_innerRegion1;
    m_delayDrawing = wasDelayed;
    return true;
}

void rkButtons_H::drawRing()
{
    rkpaint::drawGradient(m_memory, 0xFFFFFF, 0x808080, 3, screenLength(false));
}

void rkButtons_H::BuildButtonRegion()
{
    const int W = width();
    const int H = height();
    m_leftInset = 0;
    m_rightEdge = W;
    m_memoryClip = QRegion();
    m_innerRegion1 = QRegion();
    m_innerRegion2 = QRegion();
    PrepareBuffer();

    switch (m_buttonShape) {
    case 0:
        m_windowRegion = QRegion(0, 0, W + 1, H + 1);
        m_windowRegion -= cornerTrim(true, true);
        break;
    case 1:
    case 2:
    case 3:
        buildSlantedRegion();
        break;
    case 4:
    case 5:
    case 6:
        m_windowRegion = QRegion(0, 0, W, H, QRegion::Ellipse);
        m_innerRegion1 = QRegion(1, 1, W - 2, H - 2, QRegion::Ellipse);
        m_innerRegion2 = QRegion(2, 2, W - 4, H - 4, QRegion::Ellipse);
        if (m_buttonStyle != 5) {
            if (m_buttonShape == 6) {
                rkpaint::frameRegion(m_memory, m_windowRegion, 0x000000);
            } else {
                drawRing();
            }
            m_memoryClip = m_innerRegion1;
        }
        break;
    default:
        if (!buildCustomRegion()) {
            return; // the previous outline stays
        }
        break;
    }
    setMask(m_windowRegion);
    m_regionSize = size();
}

bool rkButtons_H::ApplyCustomClick()
{
    if (m_mode != 0 || m_customClick < 1 || m_customClick > 8) {
        return false;
    }
    const QPoint offset = kCustomClickOffsets[static_cast<std::size_t>(m_customClick)];
    const bool pressedOver = pressedUnderMouse();
    const bool shifted = (m_stateFlags & kStateShifted) != 0;
    if (pressedOver && !shifted) {
        move(pos() + offset);
        m_stateFlags |= kStateShifted;
    } else if (shifted && !pressedOver) {
        move(pos() - offset);
        m_stateFlags &= ~kStateShifted;
    } else {
        return false;
    }
    m_screen = m_memory;
    update();
    return true;
}

// --- host notifications --------------------------------------------------------------

void rkButtons_H::UserControl_Resize()
{
    m_memory = QImage();
    PrepareBuffer();
    if (!m_delayDrawing) {
        BuildButtonRegion();
        LayoutCaption();
        RedrawButton();
    }
}

void rkButtons_H::AmbientChanged(const QString& name)
{
    const platform::AmbientProperties ambient(this);
    if (name == QLatin1String(platform::AmbientProperties::kDisplayAsDefault)) {
        const bool isDefault = ambient.DisplayAsDefault() && (m_showFocusRect || isDesignMode());
        if (isDefault) {
            m_stateFlags |= kStateDefault;
        } else {
            m_stateFlags &= ~kStateDefault;
        }
        if (m_buttonShape >= 7 && isDesignMode()) {
            // Custom shapes show the default frame through the hover outline in design mode.
            m_hovering = isDefault;
            RedrawButton();
            m_hovering = false;
        } else {
            RedrawButton();
        }
    } else if (name == QLatin1String("BackColor")) {
        m_containerBackColor = ConvertColor(ambient.BackColor());
        if (m_buttonShape >= 4 || m_buttonStyle == 5) {
            RedrawButton();
        }
    }
}

bool rkButtons_H::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Shortcut: {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == m_accessShortcutId && !m_accessKeys.isEmpty()) {
            AccessKeyPress(m_accessKeys.at(0).toUpper().unicode());
            return true;
        }
        break;
    }
    case QEvent::DynamicPropertyChange: {
        const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
        if (change->propertyName() == platform::AmbientProperties::kDisplayAsDefault) {
            AmbientChanged(QString::fromLatin1(platform::AmbientProperties::kDisplayAsDefault));
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void rkButtons_H::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (m_buttonStyle == 3 && m_mode == 0 && m_buttonShape < 4) {
            // Style 3 cuts its corners only while enabled.
            const bool wasDelayed = m_delayDrawing;
            m_delayDrawing = true;
            BuildButtonRegion();
            m_delayDrawing = wasDelayed;
        }
        RedrawButton();
        notifyChanged(QStringLiteral("Enabled"));
        break;
    case QEvent::FontChange:
        PrepareResource(Resource::Font);
        LayoutCaption();
        RedrawButton();
        notifyChanged(QStringLiteral("Font"));
        break;
    case QEvent::PaletteChange:
        // A new colour scheme changes the system colours the palette was made from.
        PrepareResource(Resource::BackColor);
        AmbientChanged(QStringLiteral("BackColor"));
        RedrawButton();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void rkButtons_H::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const platform::AmbientProperties ambient(this);
    if (ambient.UserMode() && ambient.DisplayAsDefault() && m_showFocusRect) {
        m_stateFlags |= kStateDefault;
        RedrawButton();
    }
}

void rkButtons_H::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void rkButtons_H::paintEvent(QPaintEvent* /*event*/)
{
    if (m_delayDrawing || m_screen.size() != size()) {
        m_delayDrawing = false;
        RedrawButton();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_screen);
}

// --- mouse ---------------------------------------------------------------------------

void rkButtons_H::startHoverTracking(int buttons)
{
    m_stateFlags |= kStateHover;
    const QPointer<rkButtons_H> self(this);
    Q_EMIT MouseOnButton(true);
    if (!self) {
        return;
    }
    props::setObject(this, kClassIdProperty, this);
    props::setNumber(this, kTimerIdProperty, modRkTimer::kHoverTimerId);
    modRkTimer::SetTimer(this, modRkTimer::kHoverTimerId, modRkTimer::kHoverTimerInterval,
                         &modRkTimer::HoverTimerProc);
    m_hovering = true;
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
    m_stateFlags &= ~kStateHover;
    m_hovering = false;
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
    const int buttons = buttonsOf(event->buttons());
    if (!m_hovering && QApplication::widgetAt(QCursor::pos()) == this) {
        const QPointer<rkButtons_H> self(this);
        startHoverTracking(buttons);
        if (!self) {
            return;
        }
    }
    Q_EMIT MouseMove(buttons, shiftStateOf(event->modifiers()), event->position().x(),
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
    mouseDownPath(buttonOf(event->button()), shiftStateOf(event->modifiers()), event->position());
}

void rkButtons_H::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonOf(event->button());
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
        if (m_mode == 0 || !click) {
            RedrawButton();
        }
    }
    const QPointer<rkButtons_H> self(this);
    Q_EMIT MouseUp(button, shiftStateOf(event->modifiers()), event->position().x(),
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
    switch (m_mode) {
    case 0:
        Q_EMIT Click();
        break;
    case 1:
        setValue(!m_value);
        Q_EMIT Click();
        break;
    default:
        if (m_value) {
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
    int keyCode = virtualKeyOf(event);
    const int shift = shiftStateOf(event->modifiers());
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
    } else if (keyCode == kKeySpace) {
        if (!(m_stateFlags & kStatePressed)) {
            m_stateFlags |= kStatePressed | kStateHover;
            m_pressedLook = true;
            RedrawButton();
            if (!m_hovering) {
                m_stateFlags &= ~kStateHover;
            }
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
    int keyCode = virtualKeyOf(event);
    const int shift = shiftStateOf(event->modifiers());
    m_pressedLook = false;
    const QPointer<rkButtons_H> self(this);
    if (keyCode == kKeySpace && (m_stateFlags & kStatePressed)) {
        m_lastMouseButton = kLeftButton;
        m_stateFlags &= ~kStatePressed;
        if (m_mode == 0) {
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
        if (m_mode == 2 && !m_value) {
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
    if ((keyAscii == kAsciiEnter || keyAscii == kAsciiEscape) && m_mode != 0) {
        return;
    }
    if (!(m_stateFlags & kStateDefault)) {
        RedrawButton();
    }
    m_lastMouseButton = kLeftButton;
    UserControl_Click();
}

void rkButtons_H::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_mode == 2 && !m_value && !OptionToggle(2)) {
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
