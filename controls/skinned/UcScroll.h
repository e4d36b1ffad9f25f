#pragma once

#include "platform/PropertyBag.h"
#include "skin/ClsPictureDC.h"

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace skinned {

// A scroll bar drawn from the skin: a track of two end pieces around a tiled middle, two
// arrows that step by SmallChange (repeating while held), track clicks that step by
// LargeChange and a thumb to drag; with the focus, the arrow keys, Page Up/Down, Home and End
// move it. Horizontal or vertical; twips outside, pixels inside.
class UcScroll : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFirstRepeatInterval = 333; // ms, the first four steps
    static constexpr int kFastRepeatInterval = 3;    // ms, after them
    // The thickness the bar never exceeds (twips).
    static constexpr double kMaxThickness = 350.0;

    explicit UcScroll(QWidget* parent = nullptr);

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& bag);
    void UserControl_WriteProperties(platform::PropertyBag& bag) const;

    qint32 Value() const { return m_value; }
    void setValue(qint32 value);
    qint32 Min() const { return m_min; }
    void setMin(qint32 value);
    qint32 Max() const { return m_max; }
    void setMax(qint32 value);
    qint32 SmallChange() const { return m_smallChange; }
    void setSmallChange(qint32 value);
    qint32 LargeChange() const { return m_largeChange; }
    void setLargeChange(qint32 value);
    qint16 Orientation() const { return m_orientation; }
    void setOrientation(qint16 orientation);
    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);

    bool isHorizontal() const { return m_orientation == 0; }

    // The children's places, in pixels of the inner area.
    QRect ImgLeft() const { return m_leftArrow; }
    QRect ImgRight() const { return m_rightArrow; }
    QRect ImgThumb() const { return m_thumb; }
    bool isLeftArrowPressed() const { return m_grab == Grab::LeftArrow; }
    bool isRightArrowPressed() const { return m_grab == Grab::RightArrow; }
    // The first and last thumb position along the bar.
    int thumbStart() const;
    int thumbEnd() const;

    QTimer& ClickTimer() { return m_clickTimer; }
    void ClickTimer_Timer();

    void GetThePict();
    void UserResize();
    void PositionThumb();
    void Repaint();
    // Paints the track into an area of the inner size.
    void paintTrack(QPainter& dc) const;

Q_SIGNALS:
    void Scroll();
    void Change();
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class Grab { None, LeftArrow, RightArrow, Thumb };
    int innerWidth() const;
    int innerHeight() const;
    QPoint innerPos(const QPointF& widgetPos) const;
    void step(qint64 delta);
    void setThumbPosition(int position);
    void releaseArrow();
    void loadPicturesOnce();
    int thumbPosition() const;

    qint32 m_min = 0;
    qint32 m_max = 100;
    qint32 m_value = 0;
    qint32 m_smallChange = 1;
    qint32 m_largeChange = 10;
    qint16 m_orientation = 0;
    qint16 m_borderStyle = 0;

    bool m_repeatIncreasing = false;
    qint32 m_repeatCount = 0;
    qint32 m_grabOffset = 0;
    qint32 m_lastThumbPosition = 0;
    Grab m_grab = Grab::None; // what the left button holds: an arrow, the thumb or nothing

    QTimer m_clickTimer;
    skin::ClsPictureDC m_trackMiddle;
    skin::ClsPictureDC m_trackLow;
    skin::ClsPictureDC m_trackHigh;
    QImage m_leftUp, m_leftDown, m_rightUp, m_rightDown, m_thumbImage;
    QRect m_leftArrow;
    QRect m_rightArrow;
    QRect m_thumb;
    bool m_painting = false;
    // A failed load is reported once, not again on every paint.
    bool m_loadFailed = false;
};

} // namespace skinned
