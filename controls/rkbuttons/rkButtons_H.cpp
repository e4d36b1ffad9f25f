#include "controls/rkbuttons/rkButtons_H.h"

#include "controls/rkbuttons/modRkTimer.h"
#include "platform/AccessibleButton.h"
#include "platform/AmbientProperties.h"
#include "platform/FocusMark.h"
#include "platform/InputCodes.h"
#include "platform/MessageBoxService.h"
#include "platform/WindowProperties.h"

#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QDynamicPropertyChangeEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <array>

namespace rkbuttons {
namespace {

using paint::ConvertColor;
using platform::input::buttonCode;
using platform::input::buttonsCode;
using platform::input::shiftState;

const QString kOptionCountProperty = QStringLiteral("rk_OptCount");
const QString kClassIdProperty = QStringLiteral("rk_ClassID");
const QString kTimerIdProperty = QStringLiteral("rk_TimerID");

QString optionEntryKey(qint64 index)
{
    return QString::number(index) + QStringLiteral("rk_Obj");
}

// The one-pixel shift of a pressed custom-shaped button, by ClickShift.
constexpr std::array<QPoint, 9> kClickShiftOffsets = {QPoint(0, 0),   QPoint(0, -1), QPoint(1, -1),
                                                      QPoint(-1, -1), QPoint(1, 1),  QPoint(-1, 1),
                                                      QPoint(1, 0),   QPoint(0, 1),  QPoint(-1, 0)};

// Key codes the events carry, as the classic virtual-key numbers.
constexpr int kKeyShift = 16;
constexpr int kKeyReturn = 13; // Return and keypad Enter
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
// The characters the access-key path is given for the form's Return and Escape.
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

rkButtons_H::rkButtons_H(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    recordContainer();
    m_containerBackColor = ConvertColor(platform::AmbientProperties(this).BackColor());
    PrepareResource(Resource::Font);
}

rkButtons_H::~rkButtons_H()
{
    // The timer reaches this object only through a borrowed reference: it stops first.
    modRkTimer::KillTimer(this, modRkTimer::kHoverTimerId);
    if (m_props.mode == Behaviour::Option) {
        // Leaving quietly: a set button going away clears nobody else.
        m_props.value = false;
        OptionToggle(GroupAction::Leave);
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
        const bool isDefault =
            ambient.DisplayAsDefault() && (m_props.showFocusRect || isDesignMode());
        if (isDefault) {
            m_stateFlags |= kStateDefault;
        } else {
            m_stateFlags &= ~kStateDefault;
        }
        if (isCustom() && isDesignMode()) {
            // Custom shapes show the default frame through the hover outline in design mode.
            setHoverBit(isDefault);
            RedrawButton();
            setHoverBit(false);
        } else {
            RedrawButton();
        }
    } else if (name == QLatin1String("BackColor")) {
        m_containerBackColor = ConvertColor(ambient.BackColor());
        if (!isBoxed() || m_props.style == FaceStyle::Rounded) {
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
        if (change->propertyName() == platform::AmbientProperties::kDisplayAsDefault ||
            change->propertyName() == platform::AmbientProperties::kCancel) {
            watchFormKeys();
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void rkButtons_H::watchFormKeys()
{
    const platform::AmbientProperties ambient(this);
    QWidget* form = window();
    if (form == this) {
        return;
    }
    if (ambient.DisplayAsDefault() || ambient.Cancel()) {
        form->installEventFilter(this);
    } else {
        form->removeEventFilter(this);
    }
}

bool rkButtons_H::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches the form itself only when the control with the focus left it alone:
    // then Return and Enter belong to the default button and Escape to the cancel button.
    if (watched != window() || event->type() != QEvent::KeyPress || !isEnabled() || !isVisible()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const platform::AmbientProperties ambient(this);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    if (enter && ambient.DisplayAsDefault()) {
        AccessKeyPress(kAsciiEnter);
        return true;
    }
    if (key->key() == Qt::Key_Escape && ambient.Cancel()) {
        AccessKeyPress(kAsciiEscape);
        return true;
    }
    return false;
}

void rkButtons_H::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (m_props.style == FaceStyle::Flat && m_props.mode == Behaviour::Push && isBoxed()) {
            // The flat style cuts its corners only while enabled.
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
    if (ambient.UserMode() && ambient.DisplayAsDefault() && m_props.showFocusRect) {
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
    if (hasFocus() && !m_defaultMarkDrawn) {
        platform::drawFocusMark(painter, focusRect(m_memory.size(), m_props.shape, m_outline));
    }
}

// --- stored properties ---------------------------------------------------------------

void rkButtons_H::UserControl_InitProperties()
{
    const platform::AmbientProperties ambient(this);
    recordContainer();
    setCaption(ambient.DisplayName());
    m_props.captionAlign = CaptionPlace::Centre;
    m_props.showFocusRect = true;
    m_props.hoverForeColor = kButtonText;
    m_props.hoverBackColor = kButtonFace;
    setFont(ambient.Font());
    m_containerBackColor = ConvertColor(ambient.BackColor());
    m_props.backColor = kButtonFace;
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

    const ButtonProperties stored = ButtonProperties::read(bag, ambient.BackColor());
    m_props = stored;
    PrepareResource(Resource::Picture);
    setFont(bag.readFont(QStringLiteral("Font"), font()));
    setEnabled(bag.readBoolean(QStringLiteral("Enabled"), true));
    // The icon goes through its setter first, so that the stored pointer wins over the
    // custom pointer the icon selects.
    const platform::Picture icon = bag.readPicture(QStringLiteral("mIcon"));
    if (!icon.isNull()) {
        setMouseIcon(icon);
    }
    m_props.mousePointer = stored.mousePointer;
    applyMousePointer();

    m_accessKeys = accessKey(m_props.caption);
    registerAccessKey();
    if (m_props.mode == Behaviour::Option) {
        OptionToggle(GroupAction::Join);
    }
    m_delayDrawing = false;
    UserControl_Resize();
}

void rkButtons_H::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    m_props.write(bag);
    bag.writeFont(QStringLiteral("Font"), font(), std::nullopt);
    bag.writeBoolean(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writePicture(QStringLiteral("mIcon"), m_mouseIcon);
}

// --- properties ----------------------------------------------------------------------

void rkButtons_H::setButtonStyle(FaceStyle style)
{
    const FaceStyle old = m_props.style;
    m_props.style = style;
    if (isBoxed() ||
        ((old == FaceStyle::Rounded || m_props.style == FaceStyle::Rounded) && !isCustom())) {
        BuildButtonRegion();
    }
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("BackStyle"));
}

void rkButtons_H::setMode(Behaviour mode)
{
    if (mode == m_props.mode) {
        return;
    }
    if (m_props.mode == Behaviour::Option) {
        OptionToggle(GroupAction::Leave);
    }
    m_props.mode = mode;
    if (m_props.mode == Behaviour::Option) {
        OptionToggle(GroupAction::Join);
    }
    if (m_props.mode == Behaviour::Push) {
        m_props.value = false;
    }
    RedrawButton();
    notifyChanged(QStringLiteral("Mode"));
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
    m_accessKeys = accessKey(caption);
    registerAccessKey();
    m_props.caption = caption;
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("Caption"));
    platform::captionChanged(this);
}

void rkButtons_H::setCaptionAlign(CaptionPlace align)
{
    if (!m_props.picture.isNull() &&
        (m_props.pictureAlign == PicturePlace::TopCentre ||
         m_props.pictureAlign == PicturePlace::BottomCentre) &&
        align != CaptionPlace::Centre) {
        showDesignMessage(QStringLiteral("When button images are aligned top/bottom center, \r\n"
                                         "button captions can only be center aligned"));
        return;
    }
    m_props.captionAlign = align;
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("CapAlign"));
}

void rkButtons_H::setCaptionStyle(CaptionRelief relief)
{
    m_props.captionRelief = relief;
    if (!m_props.caption.isEmpty()) {
        LayoutCaption();
        RedrawButton();
    }
    notifyChanged(QStringLiteral("CapStyle"));
}

void rkButtons_H::setCustomClick(ClickShift shift)
{
    m_props.customClick = shift;
    if (shift != ClickShift::None && !isCustom()) {
        showDesignMessage(QStringLiteral(
            "This property has no effect unless the Button Shape is a custom shape."));
    }
    notifyChanged(QStringLiteral("CustomClick"));
}

void rkButtons_H::setButtonShape(Outline shape)
{
    if (rkbuttons::isCustom(shape)) {
        if (m_props.picture.isNull() || isIcon(m_props.picture)) {
            showDesignMessage(QStringLiteral(
                "The Picture Property must be assigned first and must be a bitmap or JPEG."));
            return;
        }
        m_delayDrawing = true;
        // Set directly: the PictureSize setter refuses custom shapes, and the button may
        // already have one when it changes from one custom shape to the other.
        m_props.pictureSize = kLargestPicture;
    }
    m_props.shape = shape;
    m_props.captionAlign = CaptionPlace::Centre;
    m_delayDrawing = false;
    UserControl_Resize();
    notifyChanged(QStringLiteral("Shape"));
}

void rkButtons_H::setPicture(const platform::Picture& picture)
{
    m_props.picture = picture;
    PrepareResource(Resource::Picture);
    if (!isCustom()) {
        LayoutCaption();
        RedrawButton();
    } else {
        if (m_props.picture.isNull()) {
            m_props.shape = Outline::Rectangle;
        } else if (isIcon(m_props.picture)) {
            m_props.shape = Outline::Rectangle;
            showDesignMessage(
                QStringLiteral("Icons cannot be used for custom buttons. Only use bitmaps or "
                               "JPEGs.\r\nButton was changed to Rectangular shaped."));
        }
        UserControl_Resize();
    }
    notifyChanged(QStringLiteral("Image"));
}

void rkButtons_H::setPictureAlign(PicturePlace align)
{
    m_props.pictureAlign = align;
    if (align == PicturePlace::TopCentre || align == PicturePlace::BottomCentre) {
        m_props.captionAlign = CaptionPlace::Centre;
    }
    LayoutCaption();
    RedrawButton();
    notifyChanged(QStringLiteral("ImgAlign"));
}

void rkButtons_H::setShowFocusRect(bool show)
{
    if (show == m_props.showFocusRect) {
        return;
    }
    m_props.showFocusRect = show;
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
    if (value && m_props.mode == Behaviour::Push) {
        showDesignMessage(
            QStringLiteral("This property is not applicable for command button modes."));
        return;
    }
    if (value == m_props.value) {
        return;
    }
    m_props.value = value;
    if (value && m_props.mode == Behaviour::Option) {
        OptionToggle(GroupAction::ClearOthers);
    }
    RedrawButton();
    notifyChanged(QStringLiteral("Value"));
}

void rkButtons_H::setPictureSize(int size)
{
    if (size < 0 || size > (kLargestPicture - kSmallestPicture) / kPictureSizeStep) {
        return;
    }
    if (isCustom()) {
        showDesignMessage(QStringLiteral("The picture size cannot be changed for Shaped buttons"));
        return;
    }
    m_props.pictureSize = kSmallestPicture + size * kPictureSizeStep;
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
    if (m_props.mousePointer == kCustomPointer && !m_mouseIcon.isNull()) {
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon.image())));
    } else if (m_props.mousePointer > 0 &&
               m_props.mousePointer < static_cast<int>(kPointers.size())) {
        setCursor(kPointers[static_cast<std::size_t>(m_props.mousePointer)]);
    } else {
        unsetCursor();
    }
}

void rkButtons_H::setMousePointer(int pointer)
{
    m_props.mousePointer = static_cast<qint16>(pointer);
    applyMousePointer();
    notifyChanged(QStringLiteral("mPointer"));
}

void rkButtons_H::setMouseIcon(const platform::Picture& icon)
{
    if (!icon.isNull() && !isIcon(icon)) {
        // Shown at run time too: the program asked for something the pointer cannot be.
        platform::showMessage(QStringLiteral("Invalid property value"),
                              platform::MessageButtons::Ok, platform::MessageIcon::Information,
                              QStringLiteral("Select .ico Or .cur Files Only"));
        return;
    }
    m_mouseIcon = icon;
    if (!icon.isNull()) {
        m_props.mousePointer = kCustomPointer;
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
    if (color == m_props.foreColor) {
        return;
    }
    m_props.foreColor = color;
    if (!(m_props.hoverColorLocks & kHoverForeLocked)) {
        m_props.hoverForeColor = color;
    }
    m_delayDrawing = false;
    RedrawButton();
    notifyChanged(QStringLiteral("cFore"));
}

void rkButtons_H::setBackColor(OleColor color)
{
    m_props.backColor = color;
    if (!(m_props.hoverColorLocks & kHoverBackLocked)) {
        setHoverBackColor(hasGradient() ? m_props.gradientColor : color);
    }
    RedrawButton();
    notifyChanged(QStringLiteral("cBack"));
}

void rkButtons_H::setGradientColor(OleColor color)
{
    m_props.gradientColor = color;
    if (hasGradient() && !(m_props.hoverColorLocks & kHoverBackLocked)) {
        m_props.hoverBackColor = color;
    }
    if (hasGradient()) {
        RedrawButton();
    }
    notifyChanged(QStringLiteral("cGradient"));
}

void rkButtons_H::setGradientMode(paint::GradientDirection direction)
{
    m_props.gradient = direction;
    if (!(m_props.hoverColorLocks & kHoverBackLocked)) {
        m_props.hoverBackColor = hasGradient() ? m_props.gradientColor : m_props.backColor;
    }
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
    setGradientMode(paint::GradientDirection::None);
    setHoverColorLocks(0);
    Refresh();
    notifyChanged(QStringLiteral("cGradient"));
    notifyChanged(QStringLiteral("cBack"));
}

void rkButtons_H::setHoverColorLocks(int locks)
{
    m_props.hoverColorLocks = locks;
    // Only the combinations of the two lock bits free a colour; other values lock nothing
    // and free nothing.
    if (locks == 0 || locks == kHoverForeLocked) {
        m_props.hoverBackColor = hasGradient() ? m_props.gradientColor : m_props.backColor;
    }
    if (locks == 0 || locks == kHoverBackLocked) {
        m_props.hoverForeColor = m_props.foreColor;
    }
    RedrawButton();
    notifyChanged(QStringLiteral("LockHover"));
}

// A hover colour that differs from its base colour is the user's choice and is locked,
// even when the same value was already in place (the back colour following a gradient).
void rkButtons_H::setHoverForeColor(OleColor color)
{
    const bool changed = color != m_props.hoverForeColor;
    m_props.hoverForeColor = color;
    if (color != m_props.foreColor) {
        m_props.hoverColorLocks |= kHoverForeLocked;
    }
    if (changed) {
        notifyChanged(QStringLiteral("cFHover"));
    }
}

void rkButtons_H::setHoverBackColor(OleColor color)
{
    const bool changed = color != m_props.hoverBackColor;
    m_props.hoverBackColor = color;
    if (color != m_props.backColor) {
        m_props.hoverColorLocks |= kHoverBackLocked;
    }
    if (changed) {
        notifyChanged(QStringLiteral("cBHover"));
    }
}

// --- option groups -------------------------------------------------------------------

bool rkButtons_H::OptionToggle(GroupAction action)
{
    namespace props = platform::windowprops;
    QWidget* container = m_containerWindow;
    if (!container) {
        return false;
    }
    const qint64 count = props::number(container, kOptionCountProperty).value_or(0);
    auto member = [container](qint64 index) {
        return qobject_cast<rkButtons_H*>(props::object(container, optionEntryKey(index)));
    };

    // A set button clears the others whatever else it asks, even while it leaves.
    if ((action == GroupAction::Join || count >= 1) && m_props.value) {
        const QPointer<rkButtons_H> self(this);
        for (qint64 i = 1; i <= count && self; ++i) {
            rkButtons_H* other = member(i);
            if (other && other != this) {
                other->setValue(false);
            }
        }
    }

    switch (action) {
    case GroupAction::Join:
        props::setNumber(container, kOptionCountProperty, count + 1);
        props::setObject(container, optionEntryKey(count + 1), this);
        return false;
    case GroupAction::Leave: {
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
    case GroupAction::AnySet:
        for (qint64 i = 1; i <= count; ++i) {
            const rkButtons_H* other = member(i);
            if (other && other->Value()) {
                return true;
            }
        }
        return false;
    case GroupAction::ClearOthers:
        break;
    }
    return false;
}

// --- drawing -------------------------------------------------------------------------

void rkButtons_H::PrepareResource(Resource resource)
{
    switch (resource) {
    case Resource::Font:
        m_captionFont = captionFont(font());
        break;
    case Resource::Picture:
        m_pictureCache = QImage();
        if (m_props.picture.isNull()) {
            m_outline.picture = QImage();
        }
        break;
    }
}

void rkButtons_H::PrepareBuffer()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_memory.size() != wanted) {
        m_memory = QImage(wanted, QImage::Format_RGB32);
        m_memory.fill(paint::toRgb(ConvertColor(m_props.backColor)));
    }
}

void rkButtons_H::LayoutCaption()
{
    const bool placesPicture = !m_props.picture.isNull() && !isCustom();
    m_layout = layoutCaption(
        size(), m_props.caption, m_captionFont, m_props.shape, m_props.captionAlign,
        placesPicture ? std::optional(m_props.pictureAlign) : std::nullopt, m_props.pictureSize);
}

bool rkButtons_H::pressedUnderMouse() const
{
    return (m_stateFlags & kStatePressed) && (m_stateFlags & kStateHover);
}

int rkButtons_H::screenLength(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    return horizontal ? screenSize.width() : screenSize.height();
}

QImage rkButtons_H::pictureBitmap(QSize size) const
{
    if (isIcon(m_props.picture)) {
        return m_props.picture.image();
    }
    if (isCustom() && m_outline.picture.size() == size) {
        return m_outline.picture;
    }
    if (size.isEmpty()) {
        return {};
    }
    if (m_pictureCache.size() != size) {
        // Scaled without smoothing, as a plain stretch copies pixels: the colour key
        // survives.
        m_pictureCache = paint::normaliseColorKey(
            m_props.picture.image()
                .convertToFormat(QImage::Format_RGB32)
                .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return m_pictureCache;
}

ButtonLook rkButtons_H::currentLook() const
{
    ButtonLook look;
    look.style = m_props.style;
    look.shape = m_props.shape;
    look.mode = m_props.mode;
    look.enabled = isEnabled();
    look.hovering = Hovering();
    look.pressed = pressedUnderMouse();
    look.pressedLook = m_pressedLook;
    look.value = m_props.value;
    look.isDefault = (m_stateFlags & kStateDefault) != 0;

    // System colours are looked up at every drawing, so a new colour scheme shows at once.
    look.palette = facePalette(m_props.style, ConvertColor(m_props.backColor),
                               ConvertColor(m_props.hoverBackColor));
    look.backColor = ConvertColor(m_props.backColor);
    look.captionColor =
        ConvertColor(look.hovering && !look.pressed ? m_props.hoverForeColor : m_props.foreColor);
    look.containerColor = m_containerBackColor;
    look.gradient = m_props.gradient;
    look.gradientColor = ConvertColor(m_props.gradientColor);
    look.gradientWhileHovering = m_props.gradientColor == m_props.hoverBackColor;
    look.screenLength = screenLength(paint::gradientIsHorizontal(m_props.gradient));
    look.outline = m_outline;
    look.faceClip = m_faceClip;

    // A pressed button shows its caption and picture a pixel further down (and right, in
    // a box); the flat style stays still.
    const bool pushed = (m_pressedLook || look.pressed) && m_props.style != FaceStyle::Flat;
    const QPoint offset = pushed ? (isBoxed() ? QPoint(1, 1) : QPoint(0, 1)) : QPoint();
    if (isBoxed() || m_props.shape == Outline::Oval || m_props.value) {
        look.caption = m_layout.text;
    }
    look.font = m_captionFont;
    look.captionRect = m_layout.caption.translated(offset);
    look.captionAlign = m_props.captionAlign;
    look.captionRelief = m_props.captionRelief;
    // A custom shape shows its picture as its whole face, and nothing while it is set.
    if (!m_props.picture.isNull() && !(isCustom() && m_props.value)) {
        QRect rect = m_layout.picture.translated(offset);
        if (isCustom()) {
            rect = m_memory.rect();
            if (look.pressed) {
                rect.adjust(1, 1, -1, -1);
            }
        }
        look.pictureRect = rect;
        look.pictureIsIcon = isIcon(m_props.picture);
        look.picture = pictureBitmap(rect.size());
    }
    return look;
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
    if (isCustom() && m_props.mode == Behaviour::Push) {
        ApplyCustomClick();
    }
    const ButtonLook look = currentLook();
    const PaintResult result = paintButton(m_memory, look);
    m_defaultMarkDrawn = result.focusMarkDrawn;
    m_screen = m_memory;
    frameOutline(m_screen, look, result.frameColor);
    update();
}

// --- outlines ------------------------------------------------------------------------

void rkButtons_H::resizeSelf(QSize newSize)
{
    // The nested resize only renews the bitmap: the rebuild in progress does the rest.
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    resize(newSize);
    m_delayDrawing = wasDelayed;
}

bool rkButtons_H::buildCustomRegion()
{
    const QSize pictureSize = m_props.picture.isNull() ? QSize() : m_props.picture.image().size();
    if (pictureSize.isEmpty()) {
        return false;
    }
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    const QSize fitted = customOutlineSize(pictureSize, size());
    if (fitted != size()) {
        resizeSelf(fitted);
        PrepareBuffer();
    }
    std::optional<ButtonOutline> outline = customOutline(m_props.picture, size());
    if (!outline) {
        return false; // drawing stays delayed until the next refresh or paint
    }
    m_outline = std::move(*outline);
    if (m_props.shape == Outline::CustomInset) {
        paintRing(m_memory, screenLength(false));
    } else {
        paint::frameRegion(m_memory, m_outline.window, ConvertColor(m_props.backColor));
    }
    m_faceClip = m_outline.inner1;
    m_delayDrawing = wasDelayed;
    return true;
}

void rkButtons_H::BuildButtonRegion()
{
    const int builtWidth = width();
    m_faceClip = QRegion();
    PrepareBuffer();
    if (isBoxed()) {
        const int wanted = isSlanted() ? slantedWidth(width(), height()) : width();
        if (wanted > width()) {
            resizeSelf(QSize(wanted, height()));
            PrepareBuffer();
        }
        m_outline = boxOutline(size(), m_props.shape, m_props.style, isEnabled());
        if (!slantsRight(m_props.shape)) {
            // Kept as the button has always drawn: until the next rebuild, the edges of a
            // button that has just widened itself end where its right side was.
            m_outline.rightEdge = builtWidth;
        }
    } else if (isOval()) {
        m_outline = ovalOutline(size());
        if (m_props.style != FaceStyle::Rounded) {
            if (m_props.shape == Outline::OvalFramed) {
                paint::frameRegion(m_memory, m_outline.window, paint::kBlack);
            } else {
                paintRing(m_memory, screenLength(false));
            }
            m_faceClip = m_outline.inner1;
        }
    } else if (!buildCustomRegion()) {
        return; // the previous outline stays
    }
    setMask(m_outline.window);
    m_regionSize = size();
}

bool rkButtons_H::ApplyCustomClick()
{
    if (m_props.mode != Behaviour::Push || m_props.customClick == ClickShift::None) {
        return false;
    }
    const QPoint offset = kClickShiftOffsets[static_cast<std::size_t>(m_props.customClick)];
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

// --- mouse ---------------------------------------------------------------------------

void rkButtons_H::startHoverTracking(int buttons)
{
    namespace props = platform::windowprops;
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
    if (m_props.mode == Behaviour::Option && !m_props.value && !OptionToggle(GroupAction::AnySet)) {
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
