#include "platform/MenuBar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using platform::MenuBar;

class tst_MenuBar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsMenusFromKeyedItems()
    {
        QWidget window;
        MenuBar bar(&window);
        const qint32 file = bar.addItem({}, QStringLiteral("keyFile"), MenuBar::ItemKind::Item,
                                        QStringLiteral("File"));
        const qint32 exit = bar.addItem(QStringLiteral("keyFile"), QStringLiteral("keyExit"),
                                        MenuBar::ItemKind::Item, QStringLiteral("Exit"));
        bar.addItem({}, QStringLiteral("keyHelp"), MenuBar::ItemKind::Item, QStringLiteral("Help"));
        bar.addItem(QStringLiteral("keyHelp"), QStringLiteral("keyHelpfile"),
                    MenuBar::ItemKind::Item, QStringLiteral("How to Use"));
        const qint32 separator = bar.addItem(QStringLiteral("keyHelp"), QString(),
                                             MenuBar::ItemKind::Separator, QString());
        bar.addItem(QStringLiteral("keyHelp"), QStringLiteral("keyAbout"), MenuBar::ItemKind::Item,
                    QStringLiteral("About"));
        // An unknown parent is refused and adds nothing.
        QCOMPARE(bar.addItem(QStringLiteral("nope"), QStringLiteral("k"), MenuBar::ItemKind::Item,
                             QStringLiteral("x")),
                 0);

        // The order and captions of the menus are checked on the main window's bar.
        QVERIFY(file != 0 && exit != 0 && separator != 0);
        QCOMPARE(bar.count(), 6);
        QCOMPARE(bar.keyOf(exit), QStringLiteral("keyExit"));
        QCOMPARE(bar.keyOf(separator), QString());
        QCOMPARE(bar.keyOf(999), QString());

        // Clicks report the item's id, from the menu and from code.
        QSignalSpy clicks(&bar, &MenuBar::Click);
        const QList<QAction*> menus = bar.widget()->actions();
        menus.at(0)->menu()->actions().first()->trigger();
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.first().first().toInt(), exit);
        bar.trigger(exit);
        QCOMPARE(clicks.size(), 2);

        // An item that gets children becomes a submenu.
        const qint32 leaf = bar.addItem(QStringLiteral("keyHelpfile"), QStringLiteral("leaf"),
                                        MenuBar::ItemKind::Item, QStringLiteral("Leaf"));
        QVERIFY(leaf != 0);
        QAction* helpFile = menus.at(1)->menu()->actions().first();
        QVERIFY(helpFile->menu());
        QCOMPARE(helpFile->menu()->actions().first()->text(), QStringLiteral("Leaf"));

        // An item placed before another of its menu; across menus or to an unknown key
        // it stays where it is.
        const qint32 last = bar.addItem(QStringLiteral("keyHelp"), QStringLiteral("keyLast"),
                                        MenuBar::ItemKind::Item, QStringLiteral("Last"));
        bar.moveBefore(last, QStringLiteral("keyExit"));
        bar.moveBefore(last, QStringLiteral("nope"));
        QCOMPARE(menus.at(1)->menu()->actions().last(), bar.action(last));
        bar.moveBefore(last, QStringLiteral("keyHelpfile"));
        QCOMPARE(menus.at(1)->menu()->actions().first(), bar.action(last));
    }

    void fontReachesBarAndMenus()
    {
        MenuBar bar;
        bar.addItem({}, QStringLiteral("keyHelp"), MenuBar::ItemKind::Item, QStringLiteral("Help"));
        bar.setFontName(QStringLiteral("DejaVu Serif"));
        bar.setFontSize(9);
        QMenu* help = bar.widget()->actions().first()->menu();
        QCOMPARE(QVariantList({bar.fontName(), bar.fontSize(), help->font().family(),
                               help->font().pointSizeF()}),
                 QVariantList({"DejaVu Serif", 9.0, "DejaVu Serif", 9.0}));
        bar.setFontSize(0);
        QCOMPARE(bar.fontSize(), 9.0);
    }
};

QTEST_MAIN(tst_MenuBar)
#include "tst_MenuBar.moc"
