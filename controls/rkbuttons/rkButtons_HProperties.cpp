#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AccessibleButton.h"
#include "platform/AmbientProperties.h"
#include "platform/MessageBoxService.h"
#include "platform/Units.h"

#include <QCursor>

namespace rkbuttons {

using paint::ConvertColor;

namespace {

int inRange(qint64 value, int low, int high, int fallback)
{
    return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

} // namespace

void rkButtons_H::UserControl_InitProperties()
{
    const platform::AmbientProperties ambient(this);
    recordContainer();
    setCaption(ambient.DisplayName());
    m_captionAlign = CaptionPlace::Centre;
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
    m_captionAlign = CaptionPlace(inRange(bag.readLong(QStringLiteral("CapAlign"), 2), 0, 2, 2));
    m_buttonStyle = FaceStyle(inRange(bag.readLong(QStringLiteral("BackStyle"), 0), 0, 7, 0));
    m_buttonShape = Outline(inRange(bag.readLong(QStringLiteral("Shape"), 0), 0, 8, 0));
    m_gradientMode = inRange(bag.readLong(QStringLiteral("Gradient"), 0), 0, 4, 0);
    m_gradientColor = bag.readColor(QStringLiteral("cGradient"), kButtonFace);
    m_foreColor = bag.readColor(QStringLiteral("cFore"), kButtonText);
    setFont(bag.readFont(QStringLiteral("Font"), font()));
    m_showFocusRect = bag.readBoolean(QStringLiteral("Focus"), true);
    m_mode = Behaviour(inRange(bag.readLong(QStringLiteral("Mode"), 0), 0, 2, 0));
    m_value = bag.readBoolean(QStringLiteral("Value"), false) && m_mode != Behaviour::Push;
    m_customClick = inRange(bag.readLong(QStringLiteral("CustomClick"), 0), 0, 8, 0);
    m_picture = bag.readPicture(QStringLiteral("Image"));
    const qint16 imgSize = bag.readInteger(QStringLiteral("ImgSize"), 16);
    m_imgSize = (imgSize >= 16 && imgSize <= 48 && imgSize % 8 == 0) ? imgSize : 16;
    m_pictureAlign = PicturePlace(inRange(bag.readLong(QStringLiteral("ImgAlign"), 0), 0, 5, 0));
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
    if (isCustom() && (m_picture.isNull() || m_pictureIsIcon)) {
        // A custom shape is cut from a bitmap; without one the button stays rectangular.
        m_buttonShape = Outline::Rectangle;
    }
    if (isCustom()) {
        m_imgSize = 48;
    }
    PrepareResource(Resource::BackColor);
    m_accessKeys = findAccessKey(m_caption);
    registerAccessKey();
    if (m_mode == Behaviour::Option) {
        OptionToggle(1);
    }
    m_delayDrawing = false;
    UserControl_Resize();
}

void rkButtons_H::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    bag.writeString(QStringLiteral("Caption"), m_caption, QString());
    bag.writeLong(QStringLiteral("CapAlign"), CaptionAlign(), 2);
    bag.writeLong(QStringLiteral("BackStyle"), ButtonStyle(), 0);
    bag.writeLong(QStringLiteral("Shape"), ButtonShape(), 0);
    bag.writeFont(QStringLiteral("Font"), font(), std::nullopt);
    bag.writeColor(QStringLiteral("cFore"), m_foreColor, kButtonText);
    bag.writeColor(QStringLiteral("cFHover"), m_hoverForeColor, kButtonText);
    bag.writeColor(QStringLiteral("cBhover"), m_hoverBackColor, m_backColor);
    bag.writeBoolean(QStringLiteral("Focus"), m_showFocusRect, true);
    bag.writeLong(QStringLiteral("LockHover"), m_hoverColorLocks, 0);
    bag.writeColor(QStringLiteral("cGradient"), m_gradientColor, kButtonFace);
    bag.writeLong(QStringLiteral("Gradient"), m_gradientMode, 0);
    bag.writeLong(QStringLiteral("CapStyle"), m_captionStyle, 0);
    bag.writeLong(QStringLiteral("Mode"), Mode(), std::nullopt);
    bag.writeBoolean(QStringLiteral("Value"), m_value, std::nullopt);
    bag.writeLong(QStringLiteral("CustomClick"), m_customClick, 0);
    bag.writeLong(QStringLiteral("ImgAlign"), PictureAlign(), 0);
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
    const FaceStyle old = m_buttonStyle;
    m_buttonStyle = FaceStyle(style);
    if (isBoxed() ||
        ((old == FaceStyle::Rounded || m_buttonStyle == FaceStyle::Rounded) && !isCustom())) {
        BuildButtonRegion();
    }
    LayoutCaption();
    PrepareResource(Resource::BackColor);
    RedrawButton();
    notifyChanged(QStringLiteral("BackStyle"));
}

void rkButtons_H::setMode(int mode)
{
    if (mode < 0 || mode > 2 || Behaviour(mode) == m_mode) {
        return;
    }
    if (m_mode == Behaviour::Option) {
        OptionToggle(-1);
    }
    m_mode = Behaviour(mode);
    if (m_mode == Behaviour::Option) {
        OptionToggle(1);
    }
    if (m_mode == Behaviour::Push) {
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
    platform::captionChanged(this);
}

void rkButtons_H::setCaptionAlign(int align)
{
    if (align < 0 || align > 2) {
        return;
    }
    if (!m_picture.isNull() &&
        (m_pictureAlign == PicturePlace::TopCentre ||
         m_pictureAlign == PicturePlace::BottomCentre) &&
        align != 2) {
        showDesignMessage(QStringLiteral("When button images are aligned top/bottom center, \r\n"
                                         "button captions can only be center aligned"));
        return;
    }
    m_captionAlign = CaptionPlace(align);
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
    if (direction >= 1 && !isCustom()) {
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
    m_buttonShape = Outline(shape);
    m_captionAlign = CaptionPlace::Centre;
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
    if (!isCustom()) {
        LayoutCaption();
        RedrawButton();
    } else {
        if (m_picture.isNull()) {
            m_buttonShape = Outline::Rectangle;
        } else if (m_pictureIsIcon) {
            m_buttonShape = Outline::Rectangle;
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
    m_pictureAlign = PicturePlace(align);
    if (align == 4 || align == 5) {
        m_captionAlign = CaptionPlace::Centre;
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
    if (value && m_mode == Behaviour::Push) {
        showDesignMessage(
            QStringLiteral("This property is not applicable for command button modes."));
        return;
    }
    if (value == m_value) {
        return;
    }
    m_value = value;
    if (value && m_mode == Behaviour::Option) {
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

} // namespace rkbuttons
