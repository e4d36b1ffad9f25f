#pragma once

#include "controls/bevel/bvlWorkSurface.h"
#include "controls/bevel/mdlSHPCLR.h"
#include "platform/InputCodes.h"
#include "platform/OleColor.h"
#include "platform/Picture.h"
#include "platform/PropertyBag.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace bevel {

// A push, toggle or option button whose face is a lit bevelled shape (rectangle, circle,
// rounded rectangle or capsule), with a caption and a picture each placed on a
// three-by-three grid, hover colours and pictures, and a transparency colour for pictures.
class bvlBUTTON : public QWidget
{
    Q_OBJECT

public:
    // Behaviour values.
    static constexpr quint8 kPushButton = 0;
    static constexpr quint8 kToggleButton = 1;
    static constexpr quint8 kOptionButton = 2;

    // Bits of the state word.
    static constexpr int kStatePressed = 1;
    static constexpr int kStateOver = 2;
    static constexpr int kStateDisabled = 4;
    static constexpr int kStateFlash = 8;
    static constexpr int kStateFlashing = kStatePressed | kStateOver | kStateFlash;

    // Mouse buttons as MouseKeys and the mouse events count them.
    static constexpr qint16 kLeftButton = platform::input::kLeftButton;
    static constexpr qint16 kRightButton = platform::input::kRightButton;
    static constexpr qint16 kMiddleButton = platform::input::kMiddleButton;

    static constexpr int kTimerInterval = 125;

    explicit bvlBUTTON(QWidget* parent = nullptr);
    ~bvlBUTTON() override;

    QString AccessKeys() const { return m_accessKeys; }
    void setAccessKeys(const QString& keys);
    qint32 Appearance() const { return m_appearance; }
    void setAppearance(qint32 shape);
    platform::OleColor BackColour() const { return m_backColour; }
    void setBackColour(platform::OleColor colour);
    quint8 Behaviour() const { return m_behaviour; }
    void setBehaviour(quint8 behaviour);
    bool BevelAutoAdjust() const { return m_bevelAutoAdjust; }
    void setBevelAutoAdjust(bool automatic);
    qint16 BevelHeight() const { return m_bevelHeight; }
    void setBevelHeight(qint16 width);
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    platform::OleColor CaptionColour() const { return m_captionColour; }
    void setCaptionColour(platform::OleColor colour);
    platform::OleColor CaptionHoverColour() const { return m_captionHoverColour; }
    void setCaptionHoverColour(platform::OleColor colour);
    qint32 CaptionJustify() const { return m_captionJustify; }
    void setCaptionJustify(qint32 placement);
    QString CaptionOffset() const { return m_captionOffset; }
    // An invalid text is refused with a message; the offset stays as it was.
    void setCaptionOffset(const QString& text);
    // The control's own Enabled (a disabled parent also disables it on screen). Set it
    // with QWidget::setEnabled.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    // The font is QWidget's own: set it with QWidget::setFont.
    QFont Font() const { return font(); }
    // The control's window, as IsMouseOver takes it.
    QWidget* hwnd() { return this; }
    platform::Picture MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const platform::Picture& icon);
    qint32 MouseKeys() const { return m_mouseKeys; }
    void setMouseKeys(qint32 buttons);
    qint16 MousePointer() const { return m_mousePointer; }
    void setMousePointer(qint16 pointer);
    platform::Picture Picture() const { return m_picture; }
    void setPicture(const platform::Picture& picture);
    platform::Picture PictureHover() const { return m_pictureHover; }
    void setPictureHover(const platform::Picture& picture);
    qint32 PictureJustify() const { return m_pictureJustify; }
    void setPictureJustify(qint32 placement);
    QString PictureOffset() const { return m_pictureOffset; }
    void setPictureOffset(const QString& text);
    platform::OleColor Transparency() const { return m_transparency; }
    void setTransparency(platform::OleColor colour);
    bool UseTransparency() const { return m_useTransparency; }
    void setUseTransparency(bool use);
    bool Value() const { return m_value; }
    void setValue(bool value);

    // Rebuilds the shape, the faces, the layout and the paint, as a resize does.
    void Refresh();
    // Shows the pressed face for one tick of the hover timer.
    void Flash();
    // Runs what a click with the mouse runs: a toggle button flips, an option button sets
    // itself, then Click. Nothing while disabled. Space, Return and keypad Enter on the
    // focused button, its screen-reader action and the window's shortcuts come here.
    void click();

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& bag);
    void UserControl_WriteProperties(platform::PropertyBag& bag) const;

    // What the control shows and holds, read-only (tests and tools look at it).
    int stateWord() const { return m_state; }
    bool isTimerRunning() const { return m_tmrRCB.isActive(); }
    const QImage& frame() const { return m_frame; }
    const QImage& raisedFace() const { return m_picRAISED; }
    const QImage& sunkenFace() const { return m_picSUNKEN; }
    const bvlWorkSurface& workSurface() const { return m_picWORK; }
    // The layout's caption and picture rectangles (right and bottom exclusive).
    QRect captionRect() const { return m_captionRect; }
    QRect pictureRect() const { return m_pictureRect; }
    QRect picturePlace(bvlWorkSurface::Row row) const
    {
        return row == bvlWorkSurface::BasicRow ? m_picturePlace : m_hoverPlace;
    }
    QRegion windowRegion() const { return m_windowRegion; }

Q_SIGNALS:
    void Click();
    void DblClick();
    void KeyDown(qint16 keyCode, qint16 shift);
    void KeyPress(qint16 keyAscii);
    void KeyUp(qint16 keyCode, qint16 shift);
    void MouseDown(qint16 button, qint16 shift, float x, float y);
    void MouseExit();
    void MouseMove(qint16 button, qint16 shift, float x, float y);
    void MouseUp(qint16 button, qint16 shift, float x, float y);
    // Tells the host a property took a new value, so that it is stored.
    void PropertyChanged(const QString& name);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void UserControl_Resize();
    void rebuildFaces();
    void rebuildWorkSurface();
    void layoutContent();
    void paintState(bool force);
    void drawPicture(QPainter& painter) const;
    void drawCaption(QPainter& painter) const;
    void tmrRCB_Timer();
    void pressWith(QMouseEvent* event);
    void applyAccessKeys();
    void applyMousePointer();
    void releaseOtherOptions();
    void releaseKey();
    bool setOffset(const QString& text, QString& stored, qint16& x, qint16& y, const char* name);
    bool isOn() const { return (m_state & kStateDisabled) == 0; }
    // A toggle or option button whose Value is true shows pressed.
    bool isHeld() const
    {
        return (m_behaviour == kToggleButton || m_behaviour == kOptionButton) && m_value;
    }
    QFont ambientFont() const;

    QString m_accessKeys;
    qint32 m_appearance = mdlSHPCLR::kRoundedRectangle;
    platform::OleColor m_backColour = platform::systemColor(platform::ColorButtonFace);
    quint8 m_behaviour = kPushButton;
    bool m_bevelAutoAdjust = true;
    qint16 m_bevelHeight = 0;
    QString m_caption;
    platform::OleColor m_captionColour = platform::systemColor(platform::ColorWindowText);
    platform::OleColor m_captionHoverColour = platform::systemColor(platform::ColorHighlightText);
    qint32 m_captionJustify = 4;
    QString m_captionOffset = QStringLiteral("(0,0)");
    qint16 m_captionOffsetX = 0;
    qint16 m_captionOffsetY = 0;
    platform::Picture m_mouseIcon;
    qint32 m_mouseKeys = kLeftButton;
    qint16 m_mousePointer = 0;
    platform::Picture m_picture;
    platform::Picture m_pictureHover;
    qint32 m_pictureJustify = 4;
    QString m_pictureOffset = QStringLiteral("(0,0)");
    qint16 m_pictureOffsetX = 0;
    qint16 m_pictureOffsetY = 0;
    platform::OleColor m_transparency = 0xC0C0C0u;
    bool m_useTransparency = true;
    bool m_value = false;

    int m_state = 0;
    int m_lastPaintedState = -1;
    bool m_loading = false;
    bool m_closing = false;
    bool m_tracking = false;
    bool m_resizing = false;
    bool m_ownEnabled = true;
    qint16 m_pressedButton = 0;
    int m_pressKey = 0; // the key (Space, Return or Enter) holding the button down
    QList<int> m_shortcutIds;

    QRegion m_windowRegion;
    QRect m_captionRect;
    QRect m_pictureRect;
    QRect m_picturePlace;
    QRect m_hoverPlace;

    QImage m_picRAISED;
    QImage m_picSUNKEN;
    bvlWorkSurface m_picWORK;
    QImage m_frame;
    QTimer m_tmrRCB;
};

} // namespace bevel
