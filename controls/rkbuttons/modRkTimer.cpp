#include "controls/rkbuttons/modRkTimer.h"

#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/WindowProperties.h"

#include <QDateTime>
#include <QTimer>

namespace rkbuttons::modRkTimer {
namespace {

QString timerName(int timerId)
{
    return QStringLiteral("parlanza_window_timer_%1").arg(timerId);
}

QTimer* findTimer(const QObject* window, int timerId)
{
    if (!window) {
        return nullptr;
    }
    return window->findChild<QTimer*>(timerName(timerId), Qt::FindDirectChildrenOnly);
}

} // namespace

bool SetTimer(QObject* window, int timerId, int intervalMs, TimerProc callback)
{
    if (!window || !callback) {
        return false;
    }
    KillTimer(window, timerId);
    auto* timer = new QTimer(window);
    timer->setObjectName(timerName(timerId));
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, window, [window, timerId, callback] {
        callback(window, kTimerMessage, timerId,
                 static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
    });
    timer->start();
    return true;
}

bool KillTimer(QObject* window, int timerId)
{
    QTimer* timer = findTimer(window, timerId);
    if (!timer) {
        return false;
    }
    timer->stop();
    // Deleted later: the call may come from inside this timer's own tick.
    timer->setObjectName(QString());
    timer->deleteLater();
    return true;
}

bool isTimerActive(const QObject* window, int timerId)
{
    const QTimer* timer = findTimer(window, timerId);
    return timer && timer->isActive();
}

int timerInterval(const QObject* window, int timerId)
{
    const QTimer* timer = findTimer(window, timerId);
    return timer && timer->isActive() ? timer->interval() : 0;
}

void HoverTimerProc(QObject* window, int /*message*/, int /*timerId*/, quint32 /*time*/)
{
    namespace props = platform::windowprops;
    // The reference is borrowed: it is neither kept nor released here.
    auto* button = qobject_cast<rkButtons_H*>(props::object(window, QStringLiteral("rk_ClassID")));
    const std::optional<qint64> id = props::number(window, QStringLiteral("rk_TimerID"));
    if (!button || !id) {
        return;
    }
    button->HoverCheck(static_cast<int>(*id));
}

} // namespace rkbuttons::modRkTimer
