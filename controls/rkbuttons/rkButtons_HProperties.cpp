#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AccessibleButton.h"
#include "platform/AmbientProperties.h"
#include "platform/MessageBoxService.h"
#include "platform/Units.h"

#include <QCursor>

namespace rkbuttons {

using paint::ConvertColor;

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

    m_accessKeys = findAccessKey(m_props.caption);
    registerAccessKey();
    if (m_props.mode == Behaviour::Option) {
        OptionToggle(1);
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
        OptionToggle(-1);
    }
    m_props.mode = mode;
    if (m_props.mode == Behaviour::Option) {
        OptionToggle(1);
    }
    if (m_props.mode == Behaviour::Push) {
        m_props.value = false;
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
        if (m_props.picture.isNull() || m_props.pictureIsIcon()) {
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
        } else if (m_props.pictureIsIcon()) {
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

} // namespace rkbuttons
