#pragma once

#include "controls/bevel/bvlBUTTON.h"
#include "controls/bevel/mdlSHPCLR.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

// A shown window holding bevelled buttons, with a pointer the test moves by hand: the
// buttons' hover test asks for the pointer through the provider this host installs.
class BevelTestHost
{
public:
    BevelTestHost()
    {
        window.resize(400, 300);
        window.move(100, 100);
        bevel::mdlSHPCLR::setCursorPositionProvider([this] { return m_pointer; });
        pointAway();
        window.show();
        m_exposed = QTest::qWaitForWindowExposed(&window);
    }
    ~BevelTestHost() { bevel::mdlSHPCLR::setCursorPositionProvider({}); }
    BevelTestHost(const BevelTestHost&) = delete;
    BevelTestHost& operator=(const BevelTestHost&) = delete;

    bevel::bvlBUTTON* add(const QString& name, const QRect& geometry, QWidget* parent = nullptr)
    {
        auto* button = new bevel::bvlBUTTON(parent ? parent : &window);
        button->setObjectName(name);
        button->UserControl_InitProperties();
        button->setGeometry(geometry);
        button->show();
        return button;
    }

    // Whether the window is on the screen: the hover test needs it there.
    bool show() const { return m_exposed; }

    // Where the pointer is (global co-ordinates of a point of a widget).
    void pointAt(const QWidget* widget, QPoint local) { m_pointer = widget->mapToGlobal(local); }
    void pointAway() { m_pointer = window.mapToGlobal(QPoint(395, 295)); }

    void press(QWidget* widget, QPoint local, Qt::MouseButton button = Qt::LeftButton)
    {
        pointAt(widget, local);
        m_held |= button;
        QTest::mousePress(widget, button, {}, local);
    }
    void release(QWidget* widget, QPoint local, Qt::MouseButton button = Qt::LeftButton)
    {
        pointAt(widget, local);
        m_held &= ~Qt::MouseButtons(button);
        QTest::mouseRelease(widget, button, {}, local);
    }
    // Press, release, the second press that the system reports as a double click, release.
    void doubleClick(QWidget* widget, QPoint local)
    {
        press(widget, local);
        release(widget, local);
        QTest::mouseDClick(widget, Qt::LeftButton, {}, local);
        release(widget, local);
    }
    // A move delivered to the widget, as while it holds the mouse or the pointer is on it.
    void move(QWidget* widget, QPoint local)
    {
        pointAt(widget, local);
        QMouseEvent event(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton,
                          m_held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    QWidget window;

private:
    QPoint m_pointer;
    bool m_exposed = false;
    Qt::MouseButtons m_held;
};
