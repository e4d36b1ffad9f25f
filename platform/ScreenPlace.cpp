#include "platform/ScreenPlace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace platform {

QRect placedOnScreen(const QRect& place, const QSize& minimum)
{
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry() & place;
        const qint64 area = qint64(shared.width()) * shared.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (best == nullptr) {
        best = QGuiApplication::primaryScreen();
    }
    if (best == nullptr || !place.isValid()) {
        return place;
    }
    const QRect area = best->availableGeometry();
    QRect placed = place;
    placed.setSize(place.size().boundedTo(area.size()).expandedTo(minimum));
    placed.moveLeft(
        std::max(area.left(), std::min(placed.left(), area.right() - placed.width() + 1)));
    placed.moveTop(
        std::max(area.top(), std::min(placed.top(), area.bottom() - placed.height() + 1)));
    return placed;
}

bool KeepWindowsOnScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        auto* window = qobject_cast<QWidget*>(watched);
        const Qt::WindowType type = window ? window->windowType() : Qt::Widget;
        if (window && window->isWindow() && (type == Qt::Window || type == Qt::Dialog)) {
            const QRect placed = placedOnScreen(window->geometry(), window->minimumSize());
            if (placed != window->geometry()) {
                window->setGeometry(placed);
            }
        }
    }
    return false;
}

} // namespace platform
