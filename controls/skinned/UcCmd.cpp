#include "controls/skinned/UcCmd.h"

#include "platform/AccessibleButton.h"
#include "platform/ControlTag.h"
#include "platform/FocusMark.h"
#include "platform/InputCodes.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "skin/ClsSkin.h"
#include "skin/ReportError.h"
#include "skin/SkinCatalogue.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace skinned {

namespace {

const QString kModule = QStringLiteral("UcCmd");
const QString kOptionTag = QStringLiteral("OPTBUTTON");
const QString kDefaultOptionGroup = QStringLiteral("OPT1");
const QString kCheckBackground = QStringLiteral("SBACKGROUND");

// The picture size used while no released picture is set (twips).
constexpr double kEmptyWidthTwips = 600.0;
constexpr double kEmptyHeightTwips = 300.0;
// Gap between the picture and the caption of check and option buttons (twips).
constexpr double kCaptionGapTwips = 20.0;

struct StyleRow
{
    const char* tag;
    const char* pictureDown;
    const char* pictureUp;
    bool captionShown;
};

// The styles 1 to 6; style 0 keeps the designer's pictures.
constexpr StyleRow kStyles[] = {
    {"", nullptr, nullptr, true},
    {"TOPCLOSE", "CLOSEDN", "CLOSEUP", false},
    {"RESTORE", "RESTOREDN", "RESTOREUP", false},
    {"MINIMISE", "MINIDN", "MINIUP", false},
    {"BOUTON", "BUTTONDN", "BUTTONUP", true},
    {"CHECKBUTTON", "CHECKON", "CHECKOFF", true},
    {"OPTBUTTON", "RADIOON", "RADIOOFF", true},
};

int toPixelsX(double twips)
{
    return platform::twipsToPixelsX(twips);
}

int toPixelsY(double twips)
{
    return platform::twipsToPixelsY(twips);
}

// The outer width of the window the control sits on, in twips.
double parentWidthTwips(const QWidget* parent)
{
    const int pixels = parent->isWindow() ? parent->frameGeometry().width() : parent->width();
    return platform::pixelsToTwipsX(pixels);
}

// Space, Return and keypad Enter press a button; with Ctrl or Alt they are shortcuts.
bool isPressKey(const QKeyEvent* event)
{
    const int key = event->key();
    return (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
           (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == 0;
}

} // namespace

UcCmd::UcCmd(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // Tab reaches it, and Space, Return or keypad Enter press it (keyPressEvent); a click
    // leaves the focus where it was, so a title-bar button does not take it from the text.
    setFocusPolicy(Qt::TabFocus);
    m_captionColor = skin::captionColor(skin::kClickedColorId);
    UserControl_InitProperties();
}

void UcCmd::UserControl_InitProperties()
{
    m_style = StylePlain;
    m_pictureUP.clear();
    m_pictureDN.clear();
    m_scaleFactor = 1.0;
    m_value = false;
    m_optionGroup.clear();
    RePaint();
}

void UcCmd::UserControl_ReadProperties(const platform::PropertyBag& bag)
{
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    m_borderStyle = bag.readInteger(QStringLiteral("BorderStyle"), 0);
    setEnabled(bag.readBoolean(QStringLiteral("Enabled"), true));
    m_pictureUP = bag.readString(QStringLiteral("PictureUP"), QString());
    m_pictureDN = bag.readString(QStringLiteral("PictureDN"), QString());
    m_style = bag.readLong(QStringLiteral("Style"), 0);
    const double scale = bag.readDouble(QStringLiteral("ScaleFactor"), 1.0);
    m_scaleFactor = std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
    {
        // The layout below is the one that counts; not one per property.
        const bool wasLayingOut = m_layingOut;
        m_layingOut = true;
        setFont(bag.readFont(QStringLiteral("Font"), ambient));
        m_layingOut = wasLayingOut;
    }
    m_caption = bag.readString(QStringLiteral("Caption"), QString());
    m_value = bag.readBoolean(QStringLiteral("Value"), false);
    m_optionGroup = bag.readString(QStringLiteral("OptionGroup"), QString());

    m_downShown = false;
    setCaptionColor(isEnabled() ? skin::captionColor(skin::kClickedColorId)
                                : platform::systemColor(platform::ColorInactiveCaptionText));
    // Down before up, so that the released picture ends as the size reference.
    if (!m_pictureDN.isEmpty()) {
        QImage down;
        if (loadPicture(m_pictureDN, down, QStringLiteral("PictureDN"))) {
            m_imageDown = down;
        }
    }
    if (!m_pictureUP.isEmpty()) {
        loadPicture(m_pictureUP, m_imageUp, QStringLiteral("PictureUP"));
    }
    m_captionShown = m_style < StyleClose || m_style > StyleMinimise;
    // The host keeps the tag; a host that stored none still gets the style's, so the
    // form skin finds its title-bar buttons and option groups find their members.
    if (platform::controlTag(this).isEmpty() && m_style > StylePlain && m_style <= StyleOption) {
        platform::setControlTag(this, QString::fromLatin1(kStyles[m_style].tag));
    }
    updateSurfacePicture();
    RePaint();
}

void UcCmd::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.writeInteger(QStringLiteral("BorderStyle"), m_borderStyle, qint16(0));
    bag.writeBoolean(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writeDouble(QStringLiteral("ScaleFactor"), m_scaleFactor, 1.0);
    bag.writeString(QStringLiteral("PictureUP"), m_pictureUP, QString());
    bag.writeString(QStringLiteral("PictureDN"), m_pictureDN, QString());
    bag.writeLong(QStringLiteral("Style"), m_style, 0);
    bag.writeFont(QStringLiteral("Font"), font(), ambient);
    bag.writeString(QStringLiteral("Caption"), m_caption, QString());
    bag.writeBoolean(QStringLiteral("Value"), m_value, false);
    bag.writeString(QStringLiteral("OptionGroup"), m_optionGroup, QString());
}

void UcCmd::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    Q_EMIT PropertyChanged(QStringLiteral("BorderStyle"));
    update();
}

void UcCmd::setEnabledProperty(bool enabled)
{
    setEnabled(enabled);
    Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
}

bool UcCmd::loadPicture(const QString& name, QImage& target, const QString& procedure)
{
    const std::optional<QImage> bitmap = platform::resources::bitmap(name);
    if (!bitmap) {
        skin::ReportError(skin::kErrResourceNotFound, skin::resourceNotFoundText(name), procedure,
                          kModule);
        return false;
    }
    target = *bitmap;
    // The last loaded picture is the size reference of the layout.
    m_picture1Twips = QSizeF(platform::pixelsToTwipsX(bitmap->width()),
                             platform::pixelsToTwipsY(bitmap->height()));
    m_picture1Loaded = true;
    return true;
}

void UcCmd::setPictureUP(const QString& name)
{
    m_pictureUP = name;
    Q_EMIT PropertyChanged(QStringLiteral("PictureUP"));
    if (name.isEmpty()) {
        m_imageUp = QImage();
    } else if (!loadPicture(name, m_imageUp, QStringLiteral("PictureUP"))) {
        return;
    }
    RePaint();
}

void UcCmd::setPictureDN(const QString& name)
{
    m_pictureDN = name;
    Q_EMIT PropertyChanged(QStringLiteral("PictureDN"));
    if (name.isEmpty()) {
        m_imageDown = QImage();
    } else if (!loadPicture(name, m_imageDown, QStringLiteral("PictureDN"))) {
        return;
    }
    RePaint();
}

void UcCmd::setStyle(qint32 style)
{
    m_style = style;
    Q_EMIT PropertyChanged(QStringLiteral("Style"));
    if (style < StylePlain || style > StyleOption) {
        RePaint();
        return;
    }
    const StyleRow& row = kStyles[style];
    platform::setControlTag(this, QString::fromLatin1(row.tag));
    m_captionShown = row.captionShown;
    if (style == StyleButton) {
        setCaptionColor(skin::captionColor(skin::kCaptionColorId));
    }
    if (style == StyleOption) {
        m_optionGroup = kDefaultOptionGroup;
    }
    if (isCheckOrOption()) {
        m_value = false;
    }
    const bool wasLayingOut = m_layingOut;
    m_layingOut = true; // one layout at the end, not one per picture
    if (row.pictureDown) {
        // Down before up, so that the released picture ends as the size reference.
        setPictureDN(QString::fromLatin1(row.pictureDown));
        setPictureUP(QString::fromLatin1(row.pictureUp));
    }
    m_layingOut = wasLayingOut;
    updateSurfacePicture();
    RePaint();
}

void UcCmd::setCaption(const QString& caption)
{
    m_caption = caption;
    Q_EMIT PropertyChanged(QStringLiteral("Caption"));
    platform::captionChanged(this);
    RePaint();
}

void UcCmd::setScaleFactor(double factor)
{
    // A scale that is not a positive number would give the control no size at all.
    if (!std::isfinite(factor) || factor <= 0.0) {
        return;
    }
    if (isCheckOrOption() && factor > kMaxCheckScale) {
        factor = kMaxCheckScale;
    }
    m_scaleFactor = factor;
    Q_EMIT PropertyChanged(QStringLiteral("ScaleFactor"));
    RePaint();
}

void UcCmd::setValue(bool value)
{
    m_value = value;
    Q_EMIT PropertyChanged(QStringLiteral("Value"));
    RePaint();
}

void UcCmd::setCaptionColor(platform::OleColor color)
{
    if (m_captionColor != color) {
        m_captionColor = color;
        update();
    }
}

void UcCmd::updateSurfacePicture()
{
    if (isCheckOrOption()) {
        m_surfacePicture = platform::resources::bitmap(kCheckBackground).value_or(QImage());
    } else {
        m_surfacePicture = QImage();
    }
    update();
}

void UcCmd::RePaint()
{
    if (m_layingOut) {
        return;
    }
    m_layingOut = true;
    if (m_pictureUP.isEmpty() || !m_picture1Loaded) {
        m_picture1Twips = QSizeF(kEmptyWidthTwips, kEmptyHeightTwips);
    }
    m_imageWidthTwips = platform::roundHalfEven(m_picture1Twips.width() * m_scaleFactor);
    m_imageHeightTwips = platform::roundHalfEven(m_picture1Twips.height() * m_scaleFactor);
    const double w = static_cast<double>(m_imageWidthTwips);
    const double h = static_cast<double>(m_imageHeightTwips);

    const QFontMetrics metrics(font());
    const int captionWidthPixels = m_caption.isEmpty() ? 0 : metrics.horizontalAdvance(m_caption);
    const int captionHeightPixels = metrics.height();
    const double captionWidth = platform::pixelsToTwipsX(captionWidthPixels);
    const double captionHeight = platform::pixelsToTwipsY(captionHeightPixels);
    const double captionTop = (h - captionHeight) / 2.0;
    double captionLeft = 0.0;
    double controlWidth = w;
    if (isCheckOrOption()) {
        captionLeft = w + kCaptionGapTwips;
        controlWidth = captionWidth + w + kCaptionGapTwips;
    } else {
        captionLeft = (w - captionWidth) / 2.0;
    }
    m_captionRect = QRect(toPixelsX(captionLeft), toPixelsY(captionTop), captionWidthPixels,
                          captionHeightPixels);
    m_imageRect = QRect(0, 0, toPixelsX(w), toPixelsY(h));
    m_downShown = false;
    resize(toPixelsX(controlWidth), toPixelsY(h));

    QWidget* parent = parentWidget();
    switch (m_style) {
    case StyleClose:
    case StyleRestore:
    case StyleMinimise:
        m_captionShown = false;
        if (parent) {
            const double left = parentWidthTwips(parent) -
                                m_style * platform::pixelsToTwipsX(width()) -
                                skin::ClsSkin::kTitleButtonRight;
            move(toPixelsX(left), toPixelsY(skin::ClsSkin::kTitleButtonTop));
        }
        break;
    case StyleOption:
        clearOptionGroup();
        m_captionShown = true;
        applyValueShown();
        break;
    case StyleCheck:
        m_captionShown = true;
        applyValueShown();
        break;
    default:
        break;
    }
    m_layingOut = false;
    update();
}

void UcCmd::applyValueShown()
{
    m_downShown = m_value;
    update();
}

void UcCmd::clearOptionGroup()
{
    QWidget* parent = parentWidget();
    if (!parent) {
        return;
    }
    const bool own = m_value;
    for (UcCmd* control : parent->findChildren<UcCmd*>()) {
        if (platform::controlTag(control) == kOptionTag &&
            control->m_optionGroup == m_optionGroup) {
            // Directly, not through setValue: that would lay the other button out and
            // make it clear the group in turn.
            control->m_value = false;
            if (control->isCheckOrOption()) {
                control->applyValueShown();
            }
        }
    }
    m_value = own;
}

UcCmd::Part UcCmd::partAt(const QPoint& pos) const
{
    if (m_captionShown && !m_caption.isEmpty() && m_captionRect.contains(pos)) {
        return Part::Caption;
    }
    if (m_imageRect.contains(pos)) {
        return m_downShown ? Part::ImageDown : Part::ImageUp;
    }
    return Part::Surface;
}

void UcCmd::showPressed(bool pressed)
{
    m_downShown = pressed;
    update();
}

void UcCmd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const Part part = partAt(event->position().toPoint());
    if (isPushStyle()) {
        if (part == Part::ImageUp || part == Part::Caption) {
            m_pushPressed = true;
            showPressed(true);
            setCaptionColor(skin::captionColor(skin::kPressedColorId));
        }
        return;
    }
    if (m_style == StyleCheck) {
        if (part == Part::ImageUp) {
            setValue(true);
            showPressed(true);
        } else if (part == Part::ImageDown) {
            setValue(false);
            showPressed(false);
            setCaptionColor(skin::captionColor(skin::kClickedColorId));
        }
        return;
    }
    if (m_style == StyleOption && part == Part::ImageUp) {
        clearOptionGroup();
        setValue(true);
        showPressed(true);
    }
}

void UcCmd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pushPressed) {
        return;
    }
    // Wherever the button comes up: the press belongs to this control.
    m_pushPressed = false;
    showPressed(false);
    setCaptionColor(skin::captionColor(skin::kClickedColorId));
    Q_EMIT Click();
}

void UcCmd::mouseMoveEvent(QMouseEvent* event)
{
    const Part part = partAt(event->position().toPoint());
    if (part != Part::ImageUp && part != Part::Surface) {
        return;
    }
    // Undo a sizing arrow the form skin may have left on the way to a title-bar button.
    if (part == Part::ImageUp) {
        if (parentWidget()) {
            parentWidget()->unsetCursor();
        }
    } else {
        unsetCursor();
    }
    Q_EMIT MouseMove(static_cast<qint16>(platform::input::buttonsCode(event->buttons())),
                     static_cast<qint16>(platform::input::shiftState(event->modifiers())),
                     static_cast<float>(platform::pixelsToTwipsX(event->position().x())),
                     static_cast<float>(platform::pixelsToTwipsY(event->position().y())));
}

void UcCmd::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    if (!m_surfacePicture.isNull()) {
        painter.drawImage(0, 0, m_surfacePicture);
    }
    const QImage& image = m_downShown ? m_imageDown : m_imageUp;
    if (!image.isNull() && !m_imageRect.isEmpty()) {
        if (!isEnabled()) {
            painter.setOpacity(0.45);
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform, image.size() != m_imageRect.size());
        painter.drawImage(m_imageRect, image);
        painter.setOpacity(1.0);
    }
    if (m_captionShown && !m_caption.isEmpty()) {
        painter.setPen(platform::toQColor(platform::translateColor(m_captionColor)));
        painter.setFont(font());
        painter.drawText(m_captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_caption);
    }
    if (m_borderStyle == 1) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (hasFocus()) {
        platform::drawFocusMark(painter, rect().adjusted(1, 1, -2, -2));
    }
}

void UcCmd::click()
{
    if (!isEnabled()) {
        return;
    }
    if (isPushStyle()) {
        showPressed(false);
        setCaptionColor(skin::captionColor(skin::kClickedColorId));
        Q_EMIT Click();
    } else if (m_style == StyleCheck) {
        const bool on = !m_value;
        setValue(on);
        showPressed(on);
        if (!on) {
            setCaptionColor(skin::captionColor(skin::kClickedColorId));
        }
    } else if (m_style == StyleOption && !m_value) {
        clearOptionGroup();
        setValue(true);
        showPressed(true);
    }
}

void UcCmd::keyPressEvent(QKeyEvent* event)
{
    if (!isPressKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && m_pressKey == 0) {
        m_pressKey = event->key();
        if (isPushStyle()) {
            showPressed(true);
            setCaptionColor(skin::captionColor(skin::kPressedColorId));
        }
    }
    event->accept();
}

void UcCmd::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() || m_pressKey == 0 || event->key() != m_pressKey) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    m_pressKey = 0;
    click();
    event->accept();
}

void UcCmd::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void UcCmd::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_pressKey != 0 && isPushStyle()) {
        showPressed(false);
        setCaptionColor(skin::captionColor(skin::kClickedColorId));
    }
    m_pressKey = 0;
    update();
}

void UcCmd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RePaint();
}

void UcCmd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    RePaint();
}

void UcCmd::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        setCaptionColor(isEnabled() ? skin::captionColor(skin::kCaptionColorId)
                                    : platform::systemColor(platform::ColorInactiveCaptionText));
        update();
    } else if (event->type() == QEvent::FontChange) {
        RePaint();
    }
}

} // namespace skinned
