#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

// Windows shown wholly on a screen, whatever place they were given or remembered and at
// any scale factor.
namespace platform {

// The place moved, and shrunk where it is larger (never below the minimum), so that it
// lies in the free area of one screen: the screen holding most of it, else the primary
// one. A window that cannot fit keeps its top-left corner, where its title is, on it.
QRect placedOnScreen(const QRect& place, const QSize& minimum = QSize());

// Installed on the application, places every window and dialog on a screen as it is
// shown (menus, tooltips and other pop-ups place themselves).
class KeepWindowsOnScreen : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace platform
