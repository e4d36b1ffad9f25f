#pragma once

#include "platform/PropertyBag.h"
#include "skin/ClsPictureDC.h"

#include <QImage>
#include <QWidget>

namespace skinned {

// A progress bar drawn from the skin: a trough of two end pieces around a tiled
// middle, and over it the bar bitmap with its background keyed out. It grows from the
// left, or (vertical) from the bottom up; each paint is composed off-screen and shown
// with one copy, so frequent updates do not flicker.
class UcProgress : public QWidget
{
    Q_OBJECT
public:
    // The thickness the bar never exceeds (twips).
    static constexpr double kMaxThickness = 400.0;

    explicit UcProgress(QWidget* parent = nullptr);

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& bag);
    void UserControl_WriteProperties(platform::PropertyBag& bag) const;

    qint16 Orientation() const { return m_orientation; }
    void setOrientation(qint16 orientation);
    qint32 Min() const { return m_min; }
    void setMin(qint32 value);
    qint32 Max() const { return m_max; }
    void setMax(qint32 value);
    qint32 Value() const { return m_value; }
    void setValue(qint32 value);
    // A design-time setting of the surface, not stored with the control.
    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);

    bool isHorizontal() const { return m_orientation == 0; }

    void Refresh() { Repaint(); }
    void Repaint();
    void GetThePict();
    void UserResize();
    // The bar's length in pixels (vertical: negative, it runs upwards).
    int GetHorizontalPos() const;
    int GetVerticalPos() const;

    // The composition surface as last drawn, the inner size of the control.
    const QImage& PictDC() const { return m_pictDC; }
    const skin::ClsPictureDC& sprite() const { return m_sprite; }
    const skin::ClsPictureDC& mask() const { return m_mask; }

Q_SIGNALS:
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int innerWidth() const;
    int innerHeight() const;
    double fraction() const;
    void compose();
    void CopyTransPict(QPainter& dc);
    void MaskSprite();

    qint16 m_orientation = 0;
    qint32 m_min = 0;
    qint32 m_max = 100;
    qint32 m_value = 0;
    qint16 m_borderStyle = 0;

    QImage m_pictDC;
    QImage m_pictBar;
    skin::ClsPictureDC m_troughMiddle;
    skin::ClsPictureDC m_troughHigh;
    skin::ClsPictureDC m_troughLow;
    skin::ClsPictureDC m_sprite;
    skin::ClsPictureDC m_mask;
    bool m_painting = false;
    // A failed load is reported once, not again on every paint.
    bool m_loadFailed = false;
};

} // namespace skinned
