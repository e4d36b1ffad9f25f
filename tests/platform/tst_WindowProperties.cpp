// Window properties: numbers and borrowed object references attached to a window.

#include "platform/WindowProperties.h"

#include <QTest>

namespace props = platform::windowprops;

class tst_WindowProperties : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbersAndObjects()
    {
        QObject window;
        QObject member;
        props::setNumber(&window, QStringLiteral("rk_OptCount"), 2);
        props::setObject(&window, QStringLiteral("1rk_Obj"), &member);
        QCOMPARE(props::number(&window, QStringLiteral("RK_OPTCOUNT")), std::optional<qint64>(2));
        QCOMPARE(props::object(&window, QStringLiteral("1rk_obj")), &member);
        // A name holds one kind of value; asking for the other kind finds nothing.
        QCOMPARE(props::object(&window, QStringLiteral("rk_OptCount")), nullptr);
        QCOMPARE(props::number(&window, QStringLiteral("1rk_Obj")), std::nullopt);
        props::setNumber(&window, QStringLiteral("1rk_Obj"), 7);
        QCOMPARE(props::number(&window, QStringLiteral("1rk_Obj")), std::optional<qint64>(7));
        props::remove(&window, QStringLiteral("1RK_OBJ"));
        QVERIFY(!props::contains(&window, QStringLiteral("1rk_Obj")));
        QVERIFY(props::contains(&window, QStringLiteral("rk_OptCount")));
    }

    void referencesDoNotOutliveTheirObject()
    {
        QObject window;
        auto* member = new QObject;
        props::setObject(&window, QStringLiteral("rk_ClassID"), member);
        delete member;
        QCOMPARE(props::object(&window, QStringLiteral("rk_ClassID")), nullptr);
        QVERIFY(props::contains(&window, QStringLiteral("rk_ClassID")));
    }

    void propertiesVanishWithTheirWindow()
    {
        auto* window = new QObject;
        props::setNumber(window, QStringLiteral("rk_TimerID"), 237);
        QCOMPARE(window->children().size(), 1);
        QPointer<QObject> store = window->children().first();
        delete window;
        QVERIFY(store.isNull());
    }

    void noWindow()
    {
        props::setNumber(nullptr, QStringLiteral("x"), 1);
        QCOMPARE(props::number(nullptr, QStringLiteral("x")), std::nullopt);
        QCOMPARE(props::object(nullptr, QStringLiteral("x")), nullptr);
        props::remove(nullptr, QStringLiteral("x"));
        QObject window;
        QCOMPARE(props::number(&window, QStringLiteral("missing")), std::nullopt);
        QVERIFY(window.children().isEmpty()); // reading creates nothing
    }
};

QTEST_MAIN(tst_WindowProperties)
#include "tst_WindowProperties.moc"
