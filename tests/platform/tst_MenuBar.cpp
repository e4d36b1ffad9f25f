#include "platform/MenuBar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using platform::MenuBar;

namespace {

QPixmap solid(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

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
        const qint32 exit =
            bar.addItem(QStringLiteral("keyFile"), QStringLiteral("keyExit"),
                        MenuBar::ItemKind::Item, QStringLiteral("Exit"), solid(Qt::red));
        bar.addItem({}, QStringLiteral("keyHelp"), MenuBar::ItemKind::Item, QStringLiteral("Help"));
        bar.addItem(QStringLiteral("keyHelp"), QStringLiteral("keyHelpfile"),
                    MenuBar::ItemKind::Item, QStringLiteral("How to Use"));
        const qint32 separator = bar.addItem(QStringLiteral("keyHelp"), QString(),
                                             MenuBar::ItemKind::Separator, QString());
        bar.addItem(QStringLiteral("keyHelp"), QStringLiteral("keyAbout"), MenuBar::ItemKind::Item,
                    QStringLiteral("About"));

        QVERIFY(file != 0 && exit != 0 && separator != 0);
        QCOMPARE(bar.count(), 6);
        QCOMPARE(bar.keyOf(exit), QStringLiteral("keyExit"));
        QCOMPARE(bar.keyOf(separator), QString());
        QCOMPARE(bar.keyOf(999), QString());

        const QList<QAction*> menus = bar.widget()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus.at(0)->text(), QStringLiteral("File"));
        QCOMPARE(menus.at(1)->text(), QStringLiteral("Help"));
        const QList<QAction*> help = menus.at(1)->menu()->actions();
        QCOMPARE(help.size(), 3);
        QCOMPARE(help.at(0)->text(), QStringLiteral("How to Use"));
        QVERIFY(help.at(1)->isSeparator());
        QCOMPARE(help.at(2)->text(), QStringLiteral("About"));
        QVERIFY(!menus.at(0)->menu()->actions().first()->icon().isNull());
    }

    void clicksReportTheItemsId()
    {
        MenuBar bar;
        bar.addItem({}, QStringLiteral("keyFile"), MenuBar::ItemKind::Item, QStringLiteral("File"));
        const qint32 exit = bar.addItem(QStringLiteral("keyFile"), QStringLiteral("keyExit"),
                                        MenuBar::ItemKind::Item, QStringLiteral("Exit"));
        QSignalSpy clicks(&bar, &MenuBar::Click);
        bar.widget()->actions().first()->menu()->actions().first()->trigger();
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.first().first().toInt(), exit);
        bar.trigger(exit);
        QCOMPARE(clicks.size(), 2);
    }

    void unknownParentIsRefused()
    {
        MenuBar bar;
        QCOMPARE(bar.addItem(QStringLiteral("nope"), QStringLiteral("k"), MenuBar::ItemKind::Item,
                             QStringLiteral("x")),
                 0);
        QCOMPARE(bar.count(), 0);
    }

    void itemWithChildrenBecomesASubmenu()
    {
        MenuBar bar;
        bar.addItem({}, QStringLiteral("top"), MenuBar::ItemKind::Item, QStringLiteral("Top"));
        bar.addItem(QStringLiteral("top"), QStringLiteral("mid"), MenuBar::ItemKind::Item,
                    QStringLiteral("Mid"));
        const qint32 leaf = bar.addItem(QStringLiteral("mid"), QStringLiteral("leaf"),
                                        MenuBar::ItemKind::Item, QStringLiteral("Leaf"));
        QVERIFY(leaf != 0);
        QAction* mid = bar.widget()->actions().first()->menu()->actions().first();
        QVERIFY(mid->menu());
        QCOMPARE(mid->menu()->actions().first()->text(), QStringLiteral("Leaf"));
    }

    void fontReachesBarAndMenus()
    {
        MenuBar bar;
        bar.addItem({}, QStringLiteral("keyHelp"), MenuBar::ItemKind::Item, QStringLiteral("Help"));
        bar.setFontName(QStringLiteral("DejaVu Serif"));
        bar.setFontSize(9);
        QCOMPARE(bar.fontName(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(bar.fontSize(), 9.0);
        QMenu* help = bar.widget()->actions().first()->menu();
        QCOMPARE(help->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(help->font().pointSizeF(), 9.0);
        bar.setFontSize(0);
        QCOMPARE(bar.fontSize(), 9.0);
    }
};

QTEST_MAIN(tst_MenuBar)
#include "tst_MenuBar.moc"
