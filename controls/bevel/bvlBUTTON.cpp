#include "controls/bevel/bvlBUTTON.h"

#include "platform/AccessibleButton.h"
#include "platform/FocusMark.h"
#include "platform/InputCodes.h"
#include "platform/PropertyBag.h"
#include "platform/Units.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QShortcutEvent>
#include <algorithm>

namespace bevel {

namespace {

constexpr qint16 kCustomPointer = 99;

const QString kCoordinateOrigin = QStringLiteral("(0,0)");

qint16 buttonCode(Qt::MouseButton button)
{
    return static_cast<qint16>(platform::input::buttonCode(button));
}

qint16 buttonsCode(Qt::MouseButtons buttons)
{
    return static_cast<qint16>(platform::input::buttonsCode(buttons));
}

qint16 shiftCode(Qt::KeyboardModifiers modifiers)
{
    return static_cast<qint16>(platform::input::shiftState(modifiers));
}

qint16 keyCode(int key)
{
    return static_cast<qint16>(platform::input::keyCode(key));
}

// Space, Return and keypad Enter press a button; with Ctrl or Alt they are shortcuts.
bool isPressKey(const QKeyEvent* event)
{
    const int key = event->key();
    return (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
           (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0;
}

Qt::CursorShape cursorShape(qint16 pointer)
{
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Grid placement 0..8; anything else is placed top left.
int gridColumn(qint32 placement)
{
    return placement >= 0 && placement <= 8 ? placement % 3 : 0;
}

int gridRow(qint32 placement)
{
    return placement >= 0 && placement <= 8 ? placement / 3 : 0;
}

int floorHalf(int value)
{
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

// A rectangle given by its edges, right and bottom exclusive.
QRect edges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

QRect placeInside(const QRect& area, QSize picture, qint32 placement)
{
    if (picture.isEmpty()) {
        return QRect(0, 0, 0, 0);
    }
    const int left = area.left();
    const int top = area.top();
    const int right = area.left() + area.width();
    const int bottom = area.top() + area.height();
    int x = left;
    if (gridColumn(placement) == 1) {
        x = left + floorHalf(right - left - picture.width());
    } else if (gridColumn(placement) == 2) {
        x = right - picture.width();
    }
    int y = top;
    if (gridRow(placement) == 1) {
        y = top + floorHalf(bottom - top - picture.height());
    } else if (gridRow(placement) == 2) {
        y = bottom - picture.height();
    }
    return QRect(QPoint(x, y), picture);
}

} // namespace

bvlBUTTON::bvlBUTTON(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_tmrRCB.setObjectName(QStringLiteral("tmrRCB"));
    m_tmrRCB.setInterval(kTimerInterval);
    connect(&m_tmrRCB, &QTimer::timeout, this, &bvlBUTTON::tmrRCB_Timer);
    m_state = 0;
    UserControl_Resize();
}

bvlBUTTON::~bvlBUTTON()
{
    m_closing = true;
    m_tmrRCB.stop();
}

// --- Properties --------------------------------------------------------------------------

void bvlBUTTON::setAccessKeys(const QString& keys)
{
    if (keys == m_accessKeys) {
        return;
    }
    m_accessKeys = keys;
    applyAccessKeys();
    Q_EMIT PropertyChanged(QStringLiteral("AccessKeys"));
}

void bvlBUTTON::setAppearance(qint32 shape)
{
    if (shape == m_appearance) {
        return;
    }
    m_appearance = shape;
    Q_EMIT PropertyChanged(QStringLiteral("Appearance"));
    UserControl_Resize();
}

void bvlBUTTON::setBackColour(platform::OleColor colour)
{
    if (colour == m_backColour) {
        return;
    }
    m_backColour = colour;
    Q_EMIT PropertyChanged(QStringLiteral("BackColour"));
    rebuildFaces();
}

void bvlBUTTON::setBehaviour(quint8 behaviour)
{
    if (behaviour == m_behaviour) {
        return;
    }
    m_behaviour = behaviour;
    Q_EMIT PropertyChanged(QStringLiteral("Behaviour"));
}

void bvlBUTTON::setBevelAutoAdjust(bool automatic)
{
    if (automatic == m_bevelAutoAdjust) {
        return;
    }
    m_bevelAutoAdjust = automatic;
    Q_EMIT PropertyChanged(QStringLiteral("BevelAutoAdjust"));
    rebuildFaces();
}

void bvlBUTTON::setBevelHeight(qint16 width)
{
    if (width == m_bevelHeight) {
        return;
    }
    m_bevelHeight = width;
    Q_EMIT PropertyChanged(QStringLiteral("BevelHeight"));
    rebuildFaces();
}

void bvlBUTTON::setCaption(const QString& caption)
{
    if (caption == m_caption) {
        return;
    }
    m_caption = caption;
    Q_EMIT PropertyChanged(QStringLiteral("Caption"));
    platform::captionChanged(this);
    paintState(true);
}

void bvlBUTTON::setCaptionColour(platform::OleColor colour)
{
    if (colour == m_captionColour) {
        return;
    }
    m_captionColour = colour;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionColour"));
    paintState(true);
}

void bvlBUTTON::setCaptionHoverColour(platform::OleColor colour)
{
    if (colour == m_captionHoverColour) {
        return;
    }
    m_captionHoverColour = colour;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionHoverColour"));
}

void bvlBUTTON::setCaptionJustify(qint32 placement)
{
    if (placement == m_captionJustify) {
        return;
    }
    m_captionJustify = placement;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionJustify"));
    layoutContent();
    paintState(true);
}

void bvlBUTTON::setCaptionOffset(const QString& text)
{
    setOffset(text, m_captionOffset, m_captionOffsetX, m_captionOffsetY, "CaptionOffset");
}

void bvlBUTTON::setMouseIcon(const platform::Picture& icon)
{
    if (icon == m_mouseIcon) {
        return;
    }
    m_mouseIcon = icon;
    applyMousePointer();
    Q_EMIT PropertyChanged(QStringLiteral("MouseIcon"));
}

void bvlBUTTON::setMouseKeys(qint32 buttons)
{
    if (buttons == m_mouseKeys) {
        return;
    }
    m_mouseKeys = buttons;
    Q_EMIT PropertyChanged(QStringLiteral("MouseKeys"));
}

void bvlBUTTON::setMousePointer(qint16 pointer)
{
    if (pointer == m_mousePointer) {
        return;
    }
    m_mousePointer = pointer;
    applyMousePointer();
    Q_EMIT PropertyChanged(QStringLiteral("MousePointer"));
}

void bvlBUTTON::setPicture(const platform::Picture& picture)
{
    if (picture == m_picture) {
        return;
    }
    m_picture = picture;
    Q_EMIT PropertyChanged(QStringLiteral("Picture"));
    rebuildWorkSurface();
    paintState(true);
}

void bvlBUTTON::setPictureHover(const platform::Picture& picture)
{
    if (picture == m_pictureHover) {
        return;
    }
    m_pictureHover = picture;
    Q_EMIT PropertyChanged(QStringLiteral("PictureHover"));
    rebuildWorkSurface();
}

void bvlBUTTON::setPictureJustify(qint32 placement)
{
    if (placement == m_pictureJustify) {
        return;
    }
    m_pictureJustify = placement;
    Q_EMIT PropertyChanged(QStringLiteral("PictureJustify"));
    layoutContent();
    paintState(true);
}

void bvlBUTTON::setPictureOffset(const QString& text)
{
    setOffset(text, m_pictureOffset, m_pictureOffsetX, m_pictureOffsetY, "PictureOffset");
}

void bvlBUTTON::setTransparency(platform::OleColor colour)
{
    if (colour == m_transparency) {
        return;
    }
    m_transparency = colour;
    Q_EMIT PropertyChanged(QStringLiteral("Transparency"));
    rebuildWorkSurface();
    paintState(true);
}

void bvlBUTTON::setUseTransparency(bool use)
{
    if (use == m_useTransparency) {
        return;
    }
    m_useTransparency = use;
    Q_EMIT PropertyChanged(QStringLiteral("UseTransparency"));
    rebuildWorkSurface();
    paintState(true);
}

void bvlBUTTON::setValue(bool value)
{
    if (m_behaviour == kPushButton || value == m_value) {
        return;
    }
    m_value = value;
    if (value) {
        if (m_behaviour == kOptionButton) {
            releaseOtherOptions();
        }
        m_state |= kStatePressed;
        // A mouse click raises Click from its own release; only a change made from
        // outside (or by a button MouseKeys leaves out) raises it here.
        if (!m_tracking) {
            Q_EMIT Click();
        }
    } else {
        m_state &= ~kStatePressed;
        if (m_behaviour == kToggleButton && !m_tracking) {
            Q_EMIT Click();
        }
    }
    paintState(true);
    Q_EMIT PropertyChanged(QStringLiteral("Value"));
}

void bvlBUTTON::releaseOtherOptions()
{
    QWidget* container = parentWidget();
    if (!container) {
        return;
    }
    for (QObject* child : container->children()) {
        auto* other = qobject_cast<bvlBUTTON*>(child);
        if (other && other != this && other->Behaviour() == kOptionButton && other->Value()) {
            other->setValue(false);
        }
    }
}

bool bvlBUTTON::setOffset(const QString& text, QString& stored, qint16& x, qint16& y,
                          const char* name)
{
    QString normalised = text;
    qint16 newX = x;
    qint16 newY = y;
    if (!mdlSHPCLR::ParseCoordinate(normalised, newX, newY)) {
        return false;
    }
    if (normalised == stored && newX == x && newY == y) {
        return true;
    }
    stored = normalised;
    x = newX;
    y = newY;
    Q_EMIT PropertyChanged(QString::fromLatin1(name));
    layoutContent();
    paintState(true);
    return true;
}

void bvlBUTTON::applyAccessKeys()
{
    for (const int id : std::as_const(m_shortcutIds)) {
        releaseShortcut(id);
    }
    m_shortcutIds.clear();
    QString seen;
    for (const QChar key : std::as_const(m_accessKeys)) {
        const QChar upper = key.toUpper();
        if (upper.isSpace() || seen.contains(upper)) {
            continue;
        }
        seen.append(upper);
        m_shortcutIds.append(grabShortcut(
            QKeySequence(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(upper.unicode())))));
    }
}

void bvlBUTTON::applyMousePointer()
{
    if (m_mousePointer == kCustomPointer && !m_mouseIcon.isNull()) {
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon.image())));
    } else if (m_mousePointer == 0 || m_mousePointer == kCustomPointer) {
        unsetCursor();
    } else {
        setCursor(cursorShape(m_mousePointer));
    }
}

QFont bvlBUTTON::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

// --- Stored properties -------------------------------------------------------------------

void bvlBUTTON::UserControl_InitProperties()
{
    m_caption = objectName();
    paintState(true);
}

void bvlBUTTON::UserControl_ReadProperties(const platform::PropertyBag& bag)
{
    m_loading = true;
    m_accessKeys = bag.readString(QStringLiteral("AccessKeys"), QString());
    applyAccessKeys();
    m_appearance = bag.readLong(QStringLiteral("Appearance"), mdlSHPCLR::kRoundedRectangle);
    m_backColour = bag.readColor(QStringLiteral("BackColour"),
                                 platform::systemColor(platform::ColorButtonFace));
    m_behaviour = bag.readByte(QStringLiteral("Behaviour"), kPushButton);
    m_bevelAutoAdjust = bag.readBoolean(QStringLiteral("BevelAutoAdjust"), true);
    m_bevelHeight = bag.readInteger(QStringLiteral("BevelHeight"), 0);
    m_caption = bag.readString(QStringLiteral("Caption"), objectName());
    m_captionColour = bag.readColor(QStringLiteral("CaptionColour"),
                                    platform::systemColor(platform::ColorWindowText));
    m_captionHoverColour = bag.readColor(QStringLiteral("CaptionHoverColour"),
                                         platform::systemColor(platform::ColorHighlightText));
    m_captionJustify = bag.readLong(QStringLiteral("CaptionJustify"), 4);
    m_captionOffset = bag.readString(QStringLiteral("CaptionOffset"), kCoordinateOrigin);
    setEnabled(bag.readBoolean(QStringLiteral("Enabled"), true));
    const QFont ambient = ambientFont();
    const QFont stored = bag.readFont(QStringLiteral("Font"), ambient);
    if (stored != ambient) {
        setFont(stored);
    }
    m_mouseIcon = bag.readPicture(QStringLiteral("MouseIcon"));
    m_mouseKeys = bag.readLong(QStringLiteral("MouseKeys"), kLeftButton);
    m_mousePointer = bag.readInteger(QStringLiteral("MousePointer"), 0);
    applyMousePointer();
    m_picture = bag.readPicture(QStringLiteral("Picture"));
    m_pictureHover = bag.readPicture(QStringLiteral("PictureHover"));
    m_pictureJustify = bag.readLong(QStringLiteral("PictureJustify"), 4);
    m_pictureOffset = bag.readString(QStringLiteral("PictureOffset"), kCoordinateOrigin);
    m_transparency = bag.readColor(QStringLiteral("Transparency"), 0xC0C0C0u);
    m_useTransparency = bag.readBoolean(QStringLiteral("UseTransparency"), true);
    m_value = bag.readBoolean(QStringLiteral("Value"), false);
    // A bad stored offset is reported and keeps the values that could be read.
    mdlSHPCLR::ParseCoordinate(m_captionOffset, m_captionOffsetX, m_captionOffsetY);
    mdlSHPCLR::ParseCoordinate(m_pictureOffset, m_pictureOffsetX, m_pictureOffsetY);
    m_loading = false;
    if ((m_behaviour == kToggleButton || m_behaviour == kOptionButton) && m_value) {
        m_state |= kStatePressed;
    }
    // Everything read has to show, whether or not the host resizes the control next.
    Refresh();
}

void bvlBUTTON::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    bag.writeString(QStringLiteral("AccessKeys"), m_accessKeys, QString());
    bag.writeLong(QStringLiteral("Appearance"), m_appearance, mdlSHPCLR::kRoundedRectangle);
    bag.writeColor(QStringLiteral("BackColour"), m_backColour,
                   platform::systemColor(platform::ColorButtonFace));
    bag.writeByte(QStringLiteral("Behaviour"), m_behaviour, kPushButton);
    bag.writeBoolean(QStringLiteral("BevelAutoAdjust"), m_bevelAutoAdjust, true);
    bag.writeInteger(QStringLiteral("BevelHeight"), m_bevelHeight, 0);
    bag.writeString(QStringLiteral("Caption"), m_caption, objectName());
    bag.writeColor(QStringLiteral("CaptionColour"), m_captionColour,
                   platform::systemColor(platform::ColorWindowText));
    bag.writeColor(QStringLiteral("CaptionHoverColour"), m_captionHoverColour,
                   platform::systemColor(platform::ColorHighlightText));
    bag.writeLong(QStringLiteral("CaptionJustify"), m_captionJustify, 4);
    bag.writeString(QStringLiteral("CaptionOffset"), m_captionOffset, kCoordinateOrigin);
    bag.writeBoolean(QStringLiteral("Enabled"), Enabled(), true);
    bag.writeFont(QStringLiteral("Font"), font(), ambientFont());
    bag.writePicture(QStringLiteral("MouseIcon"), m_mouseIcon);
    bag.writeLong(QStringLiteral("MouseKeys"), m_mouseKeys, kLeftButton);
    bag.writeInteger(QStringLiteral("MousePointer"), m_mousePointer, 0);
    bag.writePicture(QStringLiteral("Picture"), m_picture);
    bag.writePicture(QStringLiteral("PictureHover"), m_pictureHover);
    bag.writeLong(QStringLiteral("PictureJustify"), m_pictureJustify, 4);
    bag.writeString(QStringLiteral("PictureOffset"), m_pictureOffset, kCoordinateOrigin);
    bag.writeColor(QStringLiteral("Transparency"), m_transparency, 0xC0C0C0u);
    bag.writeBoolean(QStringLiteral("UseTransparency"), m_useTransparency, true);
    bag.writeBoolean(QStringLiteral("Value"), m_value, false);
}

// --- Shape and painting ------------------------------------------------------------------

void bvlBUTTON::Refresh()
{
    UserControl_Resize();
}

void bvlBUTTON::UserControl_Resize()
{
    if (m_loading || m_closing || m_resizing) {
        return;
    }
    m_resizing = true;
    int w = width();
    int h = height();
    if (m_appearance == mdlSHPCLR::kCircle && w != h) {
        w = h = std::max(w, h);
        resize(w, h);
    }
    if (const std::optional<QRegion> region = mdlSHPCLR::ShapeRegion(m_appearance, QSize(w, h))) {
        m_windowRegion = *region;
        setMask(m_windowRegion);
    }
    m_picRAISED = QImage(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    m_picSUNKEN = QImage(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    m_resizing = false;
    rebuildFaces();
}

void bvlBUTTON::rebuildFaces()
{
    if (m_loading) {
        return;
    }
    if (m_bevelAutoAdjust) {
        m_bevelHeight = 0;
    }
    if (!m_picRAISED.isNull()) {
        mdlSHPCLR::DrawBevel(m_picRAISED, m_appearance, m_backColour, m_bevelHeight, true);
        mdlSHPCLR::DrawBevel(m_picSUNKEN, m_appearance, m_backColour, m_bevelHeight, false);
    }
    rebuildWorkSurface();
    paintState(true);
}

void bvlBUTTON::rebuildWorkSurface()
{
    if (m_loading) {
        return;
    }
    m_picWORK.rebuild(m_picture.image(), m_pictureHover.image(), m_transparency);
    layoutContent();
}

void bvlBUTTON::layoutContent()
{
    const int w = m_picRAISED.width();
    const int h = m_picRAISED.height();
    const int b = m_bevelHeight;
    m_captionRect = edges(b + m_captionOffsetX, b + m_captionOffsetY, w - b + m_captionOffsetX - 1,
                          h - b + m_captionOffsetY - 1);
    m_pictureRect = edges(b + m_pictureOffsetX, b + m_pictureOffsetY, w - b + m_pictureOffsetX - 1,
                          h - b + m_pictureOffsetY - 1);
    m_picturePlace = placeInside(m_pictureRect, m_picWORK.pictureSize(bvlWorkSurface::BasicRow),
                                 m_pictureJustify);
    m_hoverPlace = placeInside(m_pictureRect, m_picWORK.pictureSize(bvlWorkSurface::HoverRow),
                               m_pictureJustify);
}

void bvlBUTTON::paintState(bool force)
{
    if (m_loading) {
        m_lastPaintedState = -1;
        return;
    }
    if (m_state == m_lastPaintedState && !force) {
        return;
    }
    m_frame = (m_state & kStatePressed) ? m_picSUNKEN : m_picRAISED;
    if (!m_frame.isNull()) {
        QPainter painter(&m_frame);
        drawPicture(painter);
        drawCaption(painter);
    }
    m_lastPaintedState = m_state;
    update();
}

void bvlBUTTON::drawPicture(QPainter& painter) const
{
    const bool disabled = (m_state & kStateDisabled) != 0;
    const bool hovered = (m_state & kStateOver) != 0 && !disabled;
    const bvlWorkSurface::Row row = hovered && m_picWORK.hasPicture(bvlWorkSurface::HoverRow)
                                        ? bvlWorkSurface::HoverRow
                                        : bvlWorkSurface::BasicRow;
    QPoint at = picturePlace(row).topLeft();
    if (m_state & kStatePressed) {
        at += QPoint(1, 1);
    }
    m_picWORK.draw(painter, at, row, m_useTransparency, disabled);
}

void bvlBUTTON::drawCaption(QPainter& painter) const
{
    QColor colour;
    if ((m_state & kStateDisabled) == 0) {
        colour =
            platform::toQColor((m_state & kStateOver) ? m_captionHoverColour : m_captionColour);
    } else {
        mdlSHPCLR::HLS face = mdlSHPCLR::RGBToHLS(m_backColour);
        face.lightness = static_cast<int>(
            std::min<qint64>(platform::roundHalfEven(face.lightness * 1.2), mdlSHPCLR::kHlsMax));
        colour = platform::toQColor(mdlSHPCLR::HLSToRGB(face));
    }
    QRect area = m_captionRect;
    if (m_state & kStatePressed) {
        area.translate(1, 1);
    }
    static constexpr Qt::Alignment kColumns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::Alignment kRows[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    const int flags = static_cast<int>(kColumns[gridColumn(m_captionJustify)] |
                                       kRows[gridRow(m_captionJustify)]) |
                      Qt::TextSingleLine | Qt::TextShowMnemonic;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(area, flags, m_caption);
}

void bvlBUTTON::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (m_frame.isNull()) {
        painter.fillRect(rect(), platform::toQColor(m_backColour));
        return;
    }
    painter.drawImage(0, 0, m_frame);
    if (hasFocus()) {
        // Inside the bevel, clear of the rounded corners.
        const int inset = std::max<int>(3, m_bevelHeight + 2);
        platform::drawFocusMark(painter, rect().adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void bvlBUTTON::resizeEvent(QResizeEvent* /*event*/)
{
    UserControl_Resize();
}

// --- Behaviour ---------------------------------------------------------------------------

bool bvlBUTTON::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (m_shortcutIds.contains(shortcut->shortcutId())) {
            // A disabled button stays silent: its access key must not run its command.
            if (isOn()) {
                Flash();
                Q_EMIT Click();
            }
            return true;
        }
    }
    return QWidget::event(event);
}

void bvlBUTTON::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (isEnabled()) {
            m_state &= ~kStateDisabled;
        } else {
            m_state |= kStateDisabled;
        }
        // Only the control's own setting is a property; a disabled parent is not.
        if (Enabled() != m_ownEnabled) {
            m_ownEnabled = Enabled();
            if (!m_loading) {
                Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
            }
        }
        paintState(true);
        break;
    case QEvent::FontChange:
        if (!m_loading) {
            Q_EMIT PropertyChanged(QStringLiteral("Font"));
        }
        paintState(true);
        break;
    case QEvent::ApplicationPaletteChange:
        // System colours are read when the faces are built.
        rebuildFaces();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void bvlBUTTON::pressWith(QMouseEvent* event)
{
    const qint16 button = buttonCode(event->button());
    if (!isOn() || button == 0 || (button & m_mouseKeys) != button) {
        return;
    }
    m_tracking = true;
    m_pressedButton = button;
    m_state = kStatePressed | kStateOver;
    paintState(false);
    Q_EMIT MouseDown(button, shiftCode(event->modifiers()),
                     static_cast<float>(event->position().x()),
                     static_cast<float>(event->position().y()));
}

void bvlBUTTON::mousePressEvent(QMouseEvent* event)
{
    pressWith(event);
}

void bvlBUTTON::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like any other, so that each click
    // counts; the double click is told on top of it.
    pressWith(event);
    if (m_tracking && buttonCode(event->button()) == m_pressedButton) {
        Q_EMIT DblClick();
    }
}

void bvlBUTTON::mouseMoveEvent(QMouseEvent* event)
{
    if (!isOn()) {
        return;
    }
    if (mdlSHPCLR::IsMouseOver(this)) {
        m_state |= kStateOver;
    } else {
        m_state &= ~kStateOver;
    }
    paintState(false);
    if (!m_tmrRCB.isActive()) {
        m_tmrRCB.start();
    }
    float x = static_cast<float>(event->position().x());
    float y = static_cast<float>(event->position().y());
    if (m_state & kStatePressed) {
        x -= 2.0F;
        y -= 2.0F;
    }
    Q_EMIT MouseMove(buttonsCode(event->buttons()), shiftCode(event->modifiers()), x, y);
}

void bvlBUTTON::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isOn()) {
        return;
    }
    const qint16 button = buttonCode(event->button());
    const bool over = mdlSHPCLR::IsMouseOver(this);
    const bool clicked = m_tracking && over && button == m_pressedButton;
    if (over) {
        switch (m_behaviour) {
        case kPushButton:
            m_state = kStateOver;
            break;
        case kToggleButton:
            if (m_value) {
                setValue(false);
                m_state = kStateOver;
            } else {
                setValue(true);
            }
            break;
        case kOptionButton:
            if (!m_value) {
                setValue(true);
            }
            break;
        default:
            break;
        }
        Q_EMIT MouseUp(button, shiftCode(event->modifiers()),
                       static_cast<float>(event->position().x()),
                       static_cast<float>(event->position().y()));
    } else {
        m_state = isHeld() ? kStatePressed : 0;
    }
    paintState(false);
    m_tracking = false;
    m_pressedButton = 0;
    if (clicked) {
        Q_EMIT Click();
    }
}

// The host hears every key first, as it always did; Space, Return and keypad Enter then
// press the button and release it with a click. (A button that takes the focus and
// ignores the keys would lock keyboard users out.)
void bvlBUTTON::keyPressEvent(QKeyEvent* event)
{
    const QPointer<bvlBUTTON> self(this);
    Q_EMIT KeyDown(keyCode(event->key()), shiftCode(event->modifiers()));
    if (!self) {
        return;
    }
    if (!event->text().isEmpty()) {
        Q_EMIT KeyPress(static_cast<qint16>(event->text().at(0).unicode()));
        if (!self) {
            return;
        }
    }
    if (isPressKey(event) && isOn()) {
        if (!event->isAutoRepeat() && m_pressKey == 0) {
            m_pressKey = event->key();
            m_state |= kStatePressed;
            paintState(false);
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void bvlBUTTON::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    const QPointer<bvlBUTTON> self(this);
    Q_EMIT KeyUp(keyCode(event->key()), shiftCode(event->modifiers()));
    if (!self) {
        return;
    }
    if (m_pressKey != 0 && event->key() == m_pressKey) {
        releaseKey();
        click();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void bvlBUTTON::releaseKey()
{
    m_pressKey = 0;
    m_state &= ~kStatePressed;
    if (isHeld()) {
        m_state |= kStatePressed;
    }
    paintState(false);
}

void bvlBUTTON::click()
{
    if (!isOn()) {
        return;
    }
    // As a mouse click: the value changes while tracking, so only the Click below is raised.
    const bool tracking = m_tracking;
    m_tracking = true;
    if (m_behaviour == kToggleButton) {
        setValue(!m_value);
    } else if (m_behaviour == kOptionButton && !m_value) {
        setValue(true);
    }
    m_tracking = tracking;
    Q_EMIT Click();
}

void bvlBUTTON::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void bvlBUTTON::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_pressKey != 0) {
        // The key comes up elsewhere: the press is dropped without a click.
        releaseKey();
    }
    update();
}

void bvlBUTTON::Flash()
{
    if (!isOn()) {
        return;
    }
    m_state = kStateFlashing;
    paintState(false);
    m_tmrRCB.start();
}

void bvlBUTTON::tmrRCB_Timer()
{
    // A flash ends in the face the button had before it: a held toggle or option button
    // stays pressed, and a control disabled meanwhile stays disabled.
    const bool flashing = (m_state & kStateFlash) != 0;
    const int rest = (m_state & kStateDisabled) | (isHeld() ? kStatePressed : 0);
    if (!mdlSHPCLR::IsMouseOver(this)) {
        m_tmrRCB.stop();
        if (!flashing) {
            m_state &= ~kStateOver;
            Q_EMIT MouseExit();
        } else {
            m_state = rest;
        }
    } else if (flashing) {
        m_state = rest | kStateOver;
        m_tmrRCB.stop();
    }
    paintState(false);
}

} // namespace bevel
