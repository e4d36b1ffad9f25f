#pragma once

#include "controls/rkbuttons/rkButtons_H.h"
#include "doubles/FakeMessageBoxService.h"
#include "platform/AmbientProperties.h"
#include "platform/Units.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <memory>

// Shared set-up of the button tests: a shown container with a fixed colour, buttons with a
// font that is the same on every machine, and real mouse input through the cursor.
namespace rktest {

inline constexpr QRgb kContainerColor = 0xFF336699;

inline std::unique_ptr<QWidget> makeContainer(QSize size = QSize(400, 300))
{
    auto container = std::make_unique<QWidget>();
    container->setObjectName(QStringLiteral("frmTest"));
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kContainerColor));
    container->setPalette(palette);
    container->setAutoFillBackground(true);
    container->setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    container->resize(size);
    container->move(0, 0);
    return container;
}

// A button as a form places it: created, given its defaults and a size.
inline rkbuttons::rkButtons_H* makeButton(QWidget* container, QRect geometry,
                                          const QString& name = QStringLiteral("cmdTest"))
{
    auto* button = new rkbuttons::rkButtons_H(container);
    button->setObjectName(name);
    button->UserControl_InitProperties();
    button->setGeometry(geometry);
    button->show();
    return button;
}

inline void sendMove(QWidget* widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QCursor::setPos(widget->mapToGlobal(at));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

inline void hover(rkbuttons::rkButtons_H* button)
{
    sendMove(button, button->rect().center());
}

inline void moveAway(rkbuttons::rkButtons_H* button)
{
    QWidget* container = button->parentWidget();
    const QPoint outside(container->width() - 2, container->height() - 2);
    QCursor::setPos(container->mapToGlobal(outside));
}

inline void press(rkbuttons::rkButtons_H* button, Qt::MouseButton which = Qt::LeftButton)
{
    QTest::mousePress(button, which, Qt::NoModifier, button->rect().center());
}

inline void release(rkbuttons::rkButtons_H* button, Qt::MouseButton which = Qt::LeftButton)
{
    QTest::mouseRelease(button, which, Qt::NoModifier, button->rect().center());
}

// What the user sees of a button: its presented image inside its outline, the container's
// colour around it.
inline QImage look(const rkbuttons::rkButtons_H* button)
{
    QImage image(button->size(), QImage::Format_RGB32);
    image.fill(kContainerColor);
    QPainter painter(&image);
    const QRegion outline = button->mask().isEmpty() ? QRegion(button->rect()) : button->mask();
    painter.setClipRegion(outline);
    painter.drawImage(0, 0, button->presentedImage());
    return image;
}

// The set-up of the behaviour tests: for each test function a fresh shown container at run
// time, advice boxes caught, the pointer away in the container's corner.
class Fixture : public QObject
{
    Q_OBJECT

protected:
    rkbuttons::rkButtons_H* button(QRect geometry = QRect(10, 10, 100, 30),
                                   const QString& name = QStringLiteral("cmdTest"))
    {
        return makeButton(m_container.get(), geometry, name);
    }

    // An option button in the given row of the container.
    rkbuttons::rkButtons_H* option(int row, const QString& name)
    {
        rkbuttons::rkButtons_H* b = button(QRect(10, 10 + 40 * row, 80, 24), name);
        b->setMode(rkbuttons::Behaviour::Option);
        return b;
    }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const platform::MessageBoxRequest& box : m_boxes->boxes()) {
            texts << box.text;
        }
        return texts;
    }

    std::unique_ptr<QWidget> m_container;
    std::unique_ptr<doubles::FakeMessageBoxService> m_boxes;

private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }
    void cleanupTestCase() { platform::setTwipsPerPixelOverride(0.0); }

    void init()
    {
        platform::AmbientProperties::setDesignMode(false);
        m_boxes = std::make_unique<doubles::FakeMessageBoxService>();
        m_container = makeContainer();
        m_container->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
        QCursor::setPos(m_container->mapToGlobal(QPoint(390, 290)));
    }

    void cleanup()
    {
        platform::AmbientProperties::setDesignMode(false);
        m_container.reset();
        m_boxes.reset();
    }
};

} // namespace rktest
