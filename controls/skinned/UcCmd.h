#pragma once

#include "platform/OleColor.h"
#include "platform/PropertyBag.h"

#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QWidget>

namespace skinned {

// A button drawn from two skin bitmaps, released ("up") and pressed ("down"), with an
// optional caption. Its styles make it a push button, a title-bar close, restore or
// minimise button (tagged so the form skin places them), a check box or an option
// button. Sizes are twips outside and pixels inside.
class UcCmd : public QWidget
{
    Q_OBJECT
public:
    enum StyleValue {
        StylePlain = 0,
        StyleClose = 1,
        StyleRestore = 2,
        StyleMinimise = 3,
        StyleButton = 4,
        StyleCheck = 5,
        StyleOption = 6,
    };

    // The largest scale a check or option button accepts.
    static constexpr double kMaxCheckScale = 3.0;

    explicit UcCmd(QWidget* parent = nullptr);

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const platform::PropertyBag& bag);
    void UserControl_WriteProperties(platform::PropertyBag& bag) const;

    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);
    bool Enabled() const { return isEnabled(); }
    // QWidget::setEnabled works as well: the caption colour follows either way.
    void setEnabledProperty(bool enabled);
    QString PictureUP() const { return m_pictureUP; }
    void setPictureUP(const QString& name);
    QString PictureDN() const { return m_pictureDN; }
    void setPictureDN(const QString& name);
    qint32 Style() const { return m_style; }
    void setStyle(qint32 style);
    // The caption's font is the control's font; setFont lays the control out again.
    QFont Font() const { return font(); }
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    double ScaleFactor() const { return m_scaleFactor; }
    void setScaleFactor(double factor);
    bool Value() const { return m_value; }
    void setValue(bool value);
    QString OptionGroup() const { return m_optionGroup; }
    void setOptionGroup(const QString& group)
    {
        m_optionGroup = group;
        Q_EMIT PropertyChanged(QStringLiteral("OptionGroup"));
    }

    // The layout's picture size w x h, in twips.
    qint64 imageWidthTwips() const { return m_imageWidthTwips; }
    qint64 imageHeightTwips() const { return m_imageHeightTwips; }
    // What is shown: the pressed picture or the released one, and the caption.
    bool isDownShown() const { return m_downShown; }
    bool isCaptionShown() const { return m_captionShown; }
    QRect captionRect() const { return m_captionRect; }
    QRect imageRect() const { return m_imageRect; }
    platform::OleColor captionColor() const { return m_captionColor; }

    // Lays the control out from its picture size, scale, caption and style.
    void RePaint();

    // Runs what a click with the mouse runs: a push style raises Click, a check button
    // flips, an option button sets itself. Nothing while disabled.
    void click();

Q_SIGNALS:
    void Click();
    void MouseMove(qint16 button, qint16 shift, float x, float y);
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class Part { Surface, ImageUp, ImageDown, Caption };
    Part partAt(const QPoint& pos) const;
    bool loadPicture(const QString& name, QImage& target, const QString& procedure);
    void applyValueShown();
    void clearOptionGroup();
    void setCaptionColor(platform::OleColor color);
    void updateSurfacePicture();
    void showPressed(bool pressed);
    bool isPushStyle() const { return m_style >= StylePlain && m_style <= StyleButton; }
    bool isCheckOrOption() const { return m_style == StyleCheck || m_style == StyleOption; }

    qint32 m_style = StylePlain;
    QString m_pictureUP;
    QString m_pictureDN;
    double m_scaleFactor = 1.0;
    bool m_value = false;
    QString m_optionGroup;
    qint16 m_borderStyle = 0;
    QString m_caption;

    QImage m_imageUp;
    QImage m_imageDown;
    QImage m_surfacePicture;
    QSizeF m_picture1Twips; // size of the last loaded picture
    bool m_picture1Loaded = false;

    qint64 m_imageWidthTwips = 0;
    qint64 m_imageHeightTwips = 0;
    QRect m_imageRect;
    QRect m_captionRect;
    bool m_downShown = false;
    bool m_captionShown = true;
    platform::OleColor m_captionColor = 0;
    bool m_pushPressed = false;
    int m_pressKey = 0; // the key (Space, Return or Enter) holding the button down
    bool m_layingOut = false;
};

} // namespace skinned
