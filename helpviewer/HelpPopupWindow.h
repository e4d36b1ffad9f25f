#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// A help pop-up: a small borderless window with a line or two of text at a point of
// the screen, gone at the next click or key.
namespace helpviewer {

class HelpPopupWindow : public QLabel
{
    Q_OBJECT
public:
    HelpPopupWindow(const QString& text, const QPoint& position, const QColor& foreground,
                    const QColor& background, const QFont& font);

    // A font description as the help viewer takes it: "face, size, charset, styles"
    // with the styles any of "Bold", "Italic", "Underline". Missing parts keep the
    // defaults (Arial, 10 points).
    static QFont parseFont(const QString& description);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace helpviewer
