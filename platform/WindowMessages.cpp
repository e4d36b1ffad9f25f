#include "platform/WindowMessages.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace platform {
namespace {

bool g_systemMoveResizeEnabled = true;

// Keeps a window's procedure; a child of the window, so it ends with it.
class ProcedureHolder : public QObject
{
public:
    explicit ProcedureHolder(QWidget* window) : QObject(window)
    {
        setObjectName(QStringLiteral("platform::WindowProcedure"));
    }
    WindowProcedure procedure;
};

ProcedureHolder* holderOf(QWidget* window, bool create)
{
    if (!window) {
        return nullptr;
    }
    auto* holder = window->findChild<ProcedureHolder*>(QStringLiteral("platform::WindowProcedure"),
                                                       Qt::FindDirectChildrenOnly);
    if (!holder && create) {
        holder = new ProcedureHolder(window);
    }
    return holder;
}

// The sizing edges the classic WMSZ codes (1 left ... 8 bottom-right) stand for.
Qt::Edges edgesOfSizeCode(int code)
{
    switch (code) {
    case 1:
        return Qt::LeftEdge;
    case 2:
        return Qt::RightEdge;
    case 3:
        return Qt::TopEdge;
    case 4:
        return Qt::TopEdge | Qt::LeftEdge;
    case 5:
        return Qt::TopEdge | Qt::RightEdge;
    case 6:
        return Qt::BottomEdge;
    case 7:
        return Qt::BottomEdge | Qt::LeftEdge;
    case 8:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

// Moves or sizes a window by hand from the mouse until the left button comes up, for
// window managers (or none at all) that offer no move or sizing loop of their own.
class ManualWindowDrag : public QObject
{
public:
    static constexpr const char* kName = "platform::ManualWindowDrag";

    // A child of the window: it ends with the window if the button never comes up.
    ManualWindowDrag(QWidget* window, Qt::Edges edges, const QPoint& anchor)
        : QObject(window), m_window(window), m_edges(edges), m_anchor(anchor),
          m_startGeometry(window->geometry())
    {
        setObjectName(QLatin1String(kName));
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Q_UNUSED(watched);
        if (!m_window) {
            deleteLater();
            return false;
        }
        if (event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->buttons() & Qt::LeftButton) {
                follow(mouse->globalPosition().toPoint());
            } else {
                finish();
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                follow(mouse->globalPosition().toPoint());
                finish();
            }
        }
        return false;
    }

private:
    void finish()
    {
        qApp->removeEventFilter(this);
        deleteLater();
    }

    // Works from the position where the drag started, so seeing one event twice (it is
    // offered again to each parent it propagates to) changes nothing.
    void follow(const QPoint& globalPos)
    {
        const QPoint delta = globalPos - m_anchor;
        if (!m_edges) {
            m_window->move(m_startGeometry.topLeft() + delta);
            return;
        }
        const QSize minimum = m_window->minimumSize().expandedTo(QSize(1, 1));
        QRect geometry = m_startGeometry;
        if (m_edges & Qt::LeftEdge) {
            geometry.setLeft(
                qMin(geometry.left() + delta.x(), geometry.right() + 1 - minimum.width()));
        }
        if (m_edges & Qt::RightEdge) {
            geometry.setRight(
                qMax(geometry.right() + delta.x(), geometry.left() + minimum.width() - 1));
        }
        if (m_edges & Qt::TopEdge) {
            geometry.setTop(
                qMin(geometry.top() + delta.y(), geometry.bottom() + 1 - minimum.height()));
        }
        if (m_edges & Qt::BottomEdge) {
            geometry.setBottom(
                qMax(geometry.bottom() + delta.y(), geometry.top() + minimum.height() - 1));
        }
        m_window->setGeometry(geometry);
    }

    QPointer<QWidget> m_window;
    Qt::Edges m_edges;
    QPoint m_anchor;
    QRect m_startGeometry;
};

void startMoveOrSize(QWidget* window, Qt::Edges edges, qintptr pointParam)
{
    window = window ? window->window() : nullptr;
    if (!window) {
        return;
    }
    QWindow* handle = window->windowHandle();
    if (g_systemMoveResizeEnabled && handle) {
        const bool started = edges ? handle->startSystemResize(edges) : handle->startSystemMove();
        if (started) {
            return;
        }
    }
    const QPoint anchor = pointParam != 0 ? pointFromParam(pointParam) : QCursor::pos();
    // One drag at a time: a press whose release never arrived must not keep moving it.
    const QList<QObject*> earlier = window->findChildren<QObject*>(
        QLatin1String(ManualWindowDrag::kName), Qt::FindDirectChildrenOnly);
    for (QObject* drag : earlier) {
        delete drag;
    }
    new ManualWindowDrag(window, edges, anchor);
}

} // namespace

qintptr sendMessage(QWidget* window, quint32 message, quintptr wParam, qintptr lParam)
{
    const WindowMessage packed{message, wParam, lParam};
    ProcedureHolder* holder = holderOf(window, false);
    if (holder && holder->procedure) {
        // A copy: the procedure may replace itself while it runs.
        const WindowProcedure procedure = holder->procedure;
        return procedure(window, packed);
    }
    return defWindowProc(window, packed);
}

WindowProcedure setWindowProcedure(QWidget* window, WindowProcedure procedure)
{
    ProcedureHolder* holder = holderOf(window, true);
    if (!holder) {
        return {};
    }
    WindowProcedure previous =
        holder->procedure ? holder->procedure : WindowProcedure(defWindowProc);
    holder->procedure = std::move(procedure);
    return previous;
}

qintptr callWindowProcedure(const WindowProcedure& previous, QWidget* window,
                            const WindowMessage& message)
{
    return previous ? previous(window, message) : defWindowProc(window, message);
}

qintptr defWindowProc(QWidget* window, const WindowMessage& message)
{
    if (!window) {
        return 0;
    }
    switch (message.message) {
    case WM_NCLBUTTONDOWN: {
        const int hit = static_cast<int>(message.wParam);
        if (hit == HTCAPTION) {
            return sendMessage(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, message.lParam);
        }
        if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
            // The sizing command carries the edge as 1 (left) ... 8 (bottom-right).
            return sendMessage(window, WM_SYSCOMMAND, SC_SIZE + static_cast<quintptr>(hit - 9),
                               message.lParam);
        }
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (message.wParam & 0xFFF0) {
        case SC_MOVE:
            startMoveOrSize(window, {}, message.lParam);
            break;
        case SC_SIZE: {
            const Qt::Edges edges = edgesOfSizeCode(static_cast<int>(message.wParam & 0x000F));
            if (edges) {
                startMoveOrSize(window, edges, message.lParam);
            }
            break;
        }
        case SC_MINIMIZE:
            window->window()->showMinimized();
            break;
        case SC_MAXIMIZE:
            window->window()->showMaximized();
            break;
        case SC_RESTORE:
            window->window()->showNormal();
            break;
        case SC_CLOSE:
            window->window()->close();
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

qintptr makePointParam(const QPoint& point)
{
    const auto x = static_cast<quint16>(static_cast<qint16>(point.x()));
    const auto y = static_cast<quint16>(static_cast<qint16>(point.y()));
    return static_cast<qintptr>(static_cast<quint32>(x) | (static_cast<quint32>(y) << 16));
}

QPoint pointFromParam(qintptr param)
{
    const auto bits = static_cast<quint32>(param);
    return {static_cast<qint16>(bits & 0xFFFF), static_cast<qint16>(bits >> 16)};
}

void releaseCapture()
{
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

void setSystemMoveResizeEnabled(bool enabled)
{
    g_systemMoveResizeEnabled = enabled;
}

} // namespace platform
