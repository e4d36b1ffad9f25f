#pragma once

#include "controls/rkbuttons/ButtonLook.h"
#include "controls/rkbuttons/ButtonOutline.h"
#include "controls/rkbuttons/ButtonProperties.h"
#include "controls/rkbuttons/CaptionLayout.h"
#include "controls/rkbuttons/modRkTimer.h"
#include "controls/rkbuttons/rkPaint.h"
#include "platform/InputCodes.h"
#include "platform/OleColor.h"
#include "platform/Picture.h"
#include "platform/PropertyBag.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

namespace rkbuttons {

// A push, check or option button that paints itself from colours, gradients and a
// picture, in one of eight looks and nine outlines, and follows the mouse for its hover
// look. Forms place it through its stored properties and listen to Click.
//
// The widget keeps the properties, the input and the state; what it shows is a ButtonLook
// drawn by the painters of ButtonLook.h over an outline from ButtonOutline.h.
class rkButtons_H : public QWidget
{
    Q_OBJECT

public:
    // StateFlags bits.
    static constexpr quint16 kStateDefault = 0x0001;
    static constexpr quint16 kStatePressed = 0x0002;
    static constexpr quint16 kStateHover = 0x0004;
    static constexpr quint16 kStateShifted = 0x0400;

    // Mouse buttons and shift states as the events carry them.
    static constexpr int kLeftButton = platform::input::kLeftButton;
    static constexpr int kRightButton = platform::input::kRightButton;
    static constexpr int kMiddleButton = platform::input::kMiddleButton;

    explicit rkButtons_H(QWidget* parent = nullptr);
    ~rkButtons_H() override;

    // Host conventions: defaults of a new instance, and the stored properties.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& bag);
    void UserControl_WriteProperties(platform::PropertyBag& bag) const;

    // Properties. PictureSize ignores values out of range.
    FaceStyle ButtonStyle() const { return m_props.style; }
    void setButtonStyle(FaceStyle style);
    Behaviour Mode() const { return m_props.mode; }
    void setMode(Behaviour mode);
    QString Caption() const { return m_props.caption; }
    void setCaption(const QString& caption);
    CaptionPlace CaptionAlign() const { return m_props.captionAlign; }
    void setCaptionAlign(CaptionPlace align);
    CaptionRelief CaptionStyle() const { return m_props.captionRelief; }
    void setCaptionStyle(CaptionRelief relief);
    ClickShift CustomClick() const { return m_props.customClick; }
    void setCustomClick(ClickShift shift);
    Outline ButtonShape() const { return m_props.shape; }
    void setButtonShape(Outline shape);
    const platform::Picture& Picture() const { return m_props.picture; }
    void setPicture(const platform::Picture& picture);
    PicturePlace PictureAlign() const { return m_props.pictureAlign; }
    void setPictureAlign(PicturePlace align);
    bool ShowFocusRect() const { return m_props.showFocusRect; }
    void setShowFocusRect(bool show);
    bool Value() const { return m_props.value; }
    void setValue(bool value);
    int PictureSize() const { return (m_props.pictureSize - kSmallestPicture) / kPictureSizeStep; }
    void setPictureSize(int size);
    int MousePointer() const { return m_props.mousePointer; }
    void setMousePointer(int pointer);
    const platform::Picture& MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const platform::Picture& icon);
    int FontStyle() const;
    void setFontStyle(int style);
    OleColor ForeColor() const { return m_props.foreColor; }
    void setForeColor(OleColor color);
    OleColor BackColor() const { return m_props.backColor; }
    void setBackColor(OleColor color);
    OleColor GradientColor() const { return m_props.gradientColor; }
    void setGradientColor(OleColor color);
    paint::GradientDirection GradientMode() const { return m_props.gradient; }
    void setGradientMode(paint::GradientDirection direction);
    bool ResetDefaultColors() const { return false; }
    void setResetDefaultColors(bool reset);
    int HoverColorLocks() const { return m_props.hoverColorLocks; }
    void setHoverColorLocks(int locks);
    OleColor HoverForeColor() const { return m_props.hoverForeColor; }
    void setHoverForeColor(OleColor color);
    OleColor HoverBackColor() const { return m_props.hoverBackColor; }
    void setHoverBackColor(OleColor color);
    // Enabled and Font are the widget's own (setEnabled, setFont); their changes are
    // followed through changeEvent.

    // The access key the caption registered, empty when none.
    QString AccessKeys() const { return m_accessKeys; }

    void Refresh();
    void DelayDrawing(bool delay);

    // The control's window and its off-screen drawing surface (what the button draws
    // into before presenting it in one copy).
    QWidget* hwnd() { return this; }
    const QImage& hDC() const { return m_memory; }
    bool isDrawingDelayed() const { return m_delayDrawing; }

    // Option groups are kept on the container window. A set member clears the others;
    // AnySet answers whether any member is set.
    enum class GroupAction { ClearOthers, Join, Leave, AnySet };
    bool OptionToggle(GroupAction action);

    // Runs what a left click runs: Click, a check button flips, an option button sets
    // itself. Nothing while disabled.
    void click();

    // Runs the click path for an access key (also Enter and Escape for the form's
    // default and cancel buttons).
    void AccessKeyPress(int keyAscii);

    // Read-only state, for the form and for tests.
    quint16 StateFlags() const { return m_stateFlags; }
    bool Hovering() const { return (m_stateFlags & kStateHover) != 0; }
    bool PressedLook() const { return m_pressedLook; }
    int LastMouseButton() const { return m_lastMouseButton; }
    int ImgSize() const { return m_props.pictureSize; }
    const ButtonOutline& outline() const { return m_outline; }
    QRect captionRect() const { return m_layout.caption; }
    QRect pictureRect() const { return m_layout.picture; }
    // What the button shows: the off-screen image with the outline framed on it.
    const QImage& presentedImage() const { return m_screen; }

    // The pipeline steps, callable on their own.
    void RedrawButton();
    void LayoutCaption();
    void BuildButtonRegion();
    bool ApplyCustomClick();

Q_SIGNALS:
    void MouseDown(int Button, int Shift, double X, double Y);
    void MouseUp(int Button, int Shift, double X, double Y);
    void MouseMove(int Button, int Shift, double X, double Y);
    void KeyDown(int KeyCode, int Shift);
    void KeyUp(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void MouseOnButton(bool entered);
    void Click();
    void DoubleClick(int Button);
    void OLEDragOver(QDragMoveEvent* event);
    void OLEDragDrop(QDropEvent* event);
    // A stored property changed (its key), for a form designer that saves the form.
    void PropertyChanged(const QString& key);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend void modRkTimer::HoverTimerProc(QObject*, int, int, quint32);

    enum class Resource { Font, Picture };

    bool isDesignMode() const;
    void showDesignMessage(const QString& text) const;
    void notifyChanged(const QString& key);

    void PrepareResource(Resource resource);
    void PrepareBuffer();
    void recordContainer();
    void applyMousePointer();
    void registerAccessKey();
    // Return and Escape on the form reach the default and cancel buttons.
    void watchFormKeys();

    void UserControl_Resize();
    void UserControl_Click();
    void AmbientChanged(const QString& name);
    void HoverCheck(int timerId);
    void startHoverTracking(int buttons);
    void mouseDownPath(int button, int shift, QPointF position);

    // The hover state lives in StateFlags alone.
    void setHoverBit(bool on)
    {
        m_stateFlags = on ? (m_stateFlags | kStateHover) : (m_stateFlags & ~kStateHover);
    }

    bool hasGradient() const { return m_props.gradient != paint::GradientDirection::None; }
    bool isSlanted() const { return rkbuttons::isSlanted(m_props.shape); }
    bool isBoxed() const { return rkbuttons::isBoxed(m_props.shape); }
    bool isOval() const { return rkbuttons::isOval(m_props.shape); }
    bool isCustom() const { return rkbuttons::isCustom(m_props.shape); }

    // Drawing.
    bool pressedUnderMouse() const;
    // The look of this moment, for the painters.
    ButtonLook currentLook() const;
    // The picture as it is drawn at that size.
    QImage pictureBitmap(QSize size) const;
    static int screenLength(bool horizontal);

    // Outlines.
    bool buildCustomRegion();
    void resizeSelf(QSize size);

    // Stored and public state.
    ButtonProperties m_props;
    QString m_accessKeys;
    int m_accessShortcutId = 0;
    OleColor m_containerBackColor = 0;
    platform::Picture m_mouseIcon;
    bool m_delayDrawing = false;
    quint16 m_stateFlags = 0;
    int m_lastMouseButton = 0;
    bool m_pressedLook = false;
    bool m_suppressNextClick = false;
    bool m_pressInside = false;
    // The default look's dotted rectangle is in the drawing: the focus mark is not drawn
    // again over it (the dots would cancel out).
    bool m_defaultMarkDrawn = false;
    // The key (Space, Return or Enter) that pressed the button, until it comes up.
    int m_pressKey = 0;
    QPointer<QWidget> m_containerWindow;

    // Drawing resources.
    QImage m_memory; // the off-screen context with its bitmap
    QImage m_screen; // what paintEvent shows
    QFont m_captionFont;
    CaptionLayout m_layout;
    mutable QImage m_pictureCache; // the picture scaled to its rectangle, colour key normalised

    ButtonOutline m_outline;
    QRegion m_faceClip; // empty: the face is the whole image
    QSize m_regionSize; // the size the outline was built for
};

} // namespace rkbuttons
