#include "helpviewer/HelpPopupWindow.h"

#include <QGuiApplication>
#include <QScreen>

namespace helpviewer {

HelpPopupWindow::HelpPopupWindow(const QString& text, const QPoint& position,
                                 const QColor& foreground, const QColor& background,
                                 const QFont& font)
    : QLabel(nullptr, Qt::Popup | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setTextFormat(Qt::PlainText);
    setText(text);
    setWordWrap(text.size() > 60);
    setFont(font);
    setMargin(6);
    setFrameShape(QFrame::Box);
    QPalette colours = palette();
    if (foreground.isValid()) {
        colours.setColor(QPalette::WindowText, foreground);
    }
    colours.setColor(QPalette::Window,
                     background.isValid() ? background : colours.color(QPalette::ToolTipBase));
    setPalette(colours);
    setAutoFillBackground(true);
    if (wordWrap()) {
        setFixedWidth(320);
    }
    adjustSize();
    // Keep the whole pop-up on the screen the point is on.
    QRect place(position, size());
    if (const QScreen* screen = QGuiApplication::screenAt(position)) {
        const QRect area = screen->availableGeometry();
        place.moveRight(std::min(place.right(), area.right()));
        place.moveBottom(std::min(place.bottom(), area.bottom()));
        place.moveLeft(std::max(place.left(), area.left()));
        place.moveTop(std::max(place.top(), area.top()));
    }
    move(place.topLeft());
}

QFont HelpPopupWindow::parseFont(const QString& description)
{
    const QStringList parts = description.split(QLatin1Char(','));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    if (!parts.isEmpty() && !parts.at(0).trimmed().isEmpty()) {
        font.setFamily(parts.at(0).trimmed());
    }
    if (parts.size() > 1) {
        bool ok = false;
        const int size = parts.at(1).trimmed().toInt(&ok);
        if (ok && size > 0 && size <= 400) {
            font.setPointSize(size);
        }
    }
    if (parts.size() > 3) {
        const QString styles = parts.mid(3).join(QLatin1Char(' '));
        font.setBold(styles.contains(QLatin1String("Bold"), Qt::CaseInsensitive));
        font.setItalic(styles.contains(QLatin1String("Italic"), Qt::CaseInsensitive));
        font.setUnderline(styles.contains(QLatin1String("Underline"), Qt::CaseInsensitive));
    }
    return font;
}

void HelpPopupWindow::mousePressEvent(QMouseEvent* /*event*/)
{
    close();
}

void HelpPopupWindow::keyPressEvent(QKeyEvent* /*event*/)
{
    close();
}

} // namespace helpviewer
