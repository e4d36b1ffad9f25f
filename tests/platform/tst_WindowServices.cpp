// Window procedures, messages and properties; the menu bar; message boxes, file dialogs and
// the program's resources.

#include "TestFiles.h"
#include "platform/AppInfo.h"
#include "platform/CommonDialogService.h"
#include "platform/EventLog.h"
#include "platform/MenuBar.h"
#include "platform/MessageBoxService.h"
#include "platform/Resources.h"
#include "platform/WindowMessages.h"
#include "platform/WindowProperties.h"
#include "support/FakeMessageBoxService.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace props = platform::windowprops;
using platform::MenuBar;

namespace {

// Answers the real box that is about to run modally, after noting its title, text, icon
// and buttons.
void answerNextBox(QVariantList* seen, QMessageBox::StandardButton press)
{
    QTimer::singleShot(0, [seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        *seen = {box->windowTitle(), box->text(), int(box->icon()), int(box->standardButtons())};
        box->button(press)->click();
    });
}

const QString kFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|Rich Text (*.rtf)|*.rtf|Word Document (*.doc)|*.doc|"
                   "All files (*.*)|*.*");

// The names the dialog lists in its folder.
QStringList listedNames(QFileDialog& dialog)
{
    QStringList names;
    const auto* view = dialog.findChild<QAbstractItemView*>("listView");
    for (int row = 0; view && row < view->model()->rowCount(view->rootIndex()); ++row) {
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    }
    names.sort();
    return names;
}

} // namespace

class tst_WindowServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The offscreen platform has no window manager; the hand-made loops are what runs.
        platform::setSystemMoveResizeEnabled(false);
    }

    // The default procedure turns a press on the caption or an edge into the move or size
    // command, which comes through the window's procedure again with the press's point, here
    // a negative one (a screen left of and above the primary one) that must come back intact.
    // A procedure replaced can be put back.
    void pressBecomesAMoveOrSizeCommand()
    {
        using namespace platform;
        const QPoint press(-1920, -1);
        // The edges run from left (size command 1) to bottom-right (8).
        const std::pair<int, quintptr> rows[] = {
            {HTCAPTION, SC_MOVE | HTCAPTION}, {HTLEFT, SC_SIZE + 1}, {HTBOTTOMRIGHT, SC_SIZE + 8}};
        constexpr quint32 kOwnMessage = 0x0400; // the first number free for a program's own use
        QWidget window;
        QList<WindowMessage> seen;
        const WindowProcedure previous =
            setWindowProcedure(&window, [&](QWidget*, const WindowMessage& message) {
                seen.append(message);
                // Answers everything: no move or size starts.
                return qintptr(message.message == kOwnMessage ? 7 : 0);
            });
        for (const auto& [hit, command] : rows) {
            seen.clear();
            sendMessage(&window, WM_NCLBUTTONDOWN, quintptr(hit), makePointParam(press));
            QCOMPARE(seen.size(), 1);
            QCOMPARE(defWindowProc(&window, seen[0]), qintptr(0));
            QCOMPARE(seen.size(), 2);
            QCOMPARE(std::pair(seen[1].message, seen[1].wParam), std::pair(WM_SYSCOMMAND, command));
            QCOMPARE(pointFromParam(seen[1].lParam), press);
        }
        // The procedure replaced was the default one; put back, it answers again.
        QVERIFY(previous);
        QCOMPARE(sendMessage(&window, kOwnMessage, 0, 0), qintptr(7));
        setWindowProcedure(&window, previous);
        seen.clear();
        QCOMPARE(sendMessage(&window, kOwnMessage, 0, 0), qintptr(0));
        QVERIFY(seen.isEmpty());
    }

    // Moving by hand is also the X-server move test's (without a window manager); here, sizing
    // past the minimum.
    void sizeFollowsTheMouseAndKeepsTheMinimum()
    {
        QWidget window;
        window.setMinimumSize(60, 50);
        window.setGeometry(50, 60, 120, 90);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // A press on the top-left corner starts the sizing; the button stays down.
        platform::sendMessage(&window, platform::WM_NCLBUTTONDOWN, platform::HTTOPLEFT,
                              platform::makePointParam(QPoint(50, 60)));
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(0, 0));
        QTest::mouseMove(&window, window.mapFromGlobal(QPoint(40, 40)));
        QCOMPARE(window.geometry(), QRect(40, 40, 130, 110));
        // Past the minimum: the bottom-right corner stays put.
        QTest::mouseMove(&window, window.mapFromGlobal(QPoint(150, 160)));
        QCOMPARE(window.geometry(), QRect(110, 100, 60, 50));
        QTest::mouseRelease(&window, Qt::LeftButton, {}, window.mapFromGlobal(QPoint(150, 160)));
    }

    // Names match without case; a name holds one kind of value.
    void propertiesMatchWithoutCaseAndGoWithTheirWindow()
    {
        QObject window;
        auto* member = new QObject;
        props::setNumber(&window, "rk_OptCount", 2);
        props::setObject(&window, "1rk_Obj", member);
        QCOMPARE(props::number(&window, "RK_OPTCOUNT"), std::optional<qint64>(2));
        QCOMPARE(props::object(&window, "1rk_obj"), member);
        QCOMPARE(props::object(&window, "rk_OptCount"), nullptr);
        QCOMPARE(props::number(&window, "1rk_Obj"), std::nullopt);
        // A reference does not outlive its object.
        delete member;
        QCOMPARE(props::object(&window, "1rk_Obj"), nullptr);
        QVERIFY(props::contains(&window, "1rk_Obj"));
        props::setNumber(&window, "1rk_Obj", 7);
        QCOMPARE(props::number(&window, "1rk_Obj"), std::optional<qint64>(7));
        props::remove(&window, "1RK_OBJ");
        QVERIFY(!props::contains(&window, "1rk_Obj"));
        QVERIFY(props::contains(&window, "rk_OptCount"));
        // Without a window nothing is kept; reading creates nothing; the store goes with its
        // window.
        props::setNumber(nullptr, "x", 1);
        QCOMPARE(props::number(nullptr, "x"), std::nullopt);
        QCOMPARE(props::object(nullptr, "x"), nullptr);
        props::remove(nullptr, "x");
        auto* other = new QObject;
        QCOMPARE(props::number(other, "missing"), std::nullopt);
        QVERIFY(other->children().isEmpty());
        props::setNumber(other, "rk_TimerID", 237);
        QCOMPARE(other->children().size(), 1);
        QPointer<QObject> store = other->children().first();
        delete other;
        QVERIFY(store.isNull());
    }

    void buildsMenusFromKeyedItemsInItsFont()
    {
        QWidget window;
        MenuBar bar(&window);
        const auto add = [&bar](const QString& parent, const QString& key, const QString& caption,
                                MenuBar::ItemKind kind = MenuBar::ItemKind::Item) {
            return bar.addItem(parent, key, kind, caption);
        };
        const qint32 file = add({}, "keyFile", "File");
        const qint32 exit = add("keyFile", "keyExit", "Exit");
        add({}, "keyHelp", "Help");
        add("keyHelp", "keyHelpfile", "How to Use");
        const qint32 separator = add("keyHelp", {}, {}, MenuBar::ItemKind::Separator);
        // An unknown parent is refused and adds nothing.
        QCOMPARE(add("nope", "k", "x"), 0);
        // The order and captions of the menus are checked on the main window's bar.
        QVERIFY(file != 0 && exit != 0 && separator != 0);
        QCOMPARE(bar.count(), 5);
        QCOMPARE(QStringList({bar.keyOf(exit), bar.keyOf(separator), bar.keyOf(999)}),
                 QStringList({"keyExit", {}, {}}));
        // Clicks report the item's id, from the menu and from code.
        QSignalSpy clicks(&bar, &MenuBar::Click);
        const QList<QAction*> menus = bar.widget()->actions();
        menus.at(0)->menu()->actions().first()->trigger();
        bar.trigger(exit);
        QCOMPARE(QList<QVariantList>(clicks), QList<QVariantList>({{exit}, {exit}}));
        // An item that gets children becomes a submenu.
        QVERIFY(add("keyHelpfile", "leaf", "Leaf") != 0);
        QAction* helpFile = menus.at(1)->menu()->actions().first();
        QVERIFY(helpFile->menu());
        QCOMPARE(helpFile->menu()->actions().first()->text(), "Leaf");
        // An item placed before another of its menu; across menus it stays where it is.
        const qint32 last = add("keyHelp", "keyLast", "Last");
        bar.moveBefore(last, "keyExit");
        QCOMPARE(menus.at(1)->menu()->actions().last(), bar.action(last));
        bar.moveBefore(last, "keyHelpfile");
        QCOMPARE(menus.at(1)->menu()->actions().first(), bar.action(last));
        // The font reaches the bar and its menus; a size of 0 is refused.
        bar.setFontName("DejaVu Serif");
        bar.setFontSize(9);
        const QFont menuFont = menus.at(1)->menu()->font();
        QCOMPARE(QVariantList(
                     {bar.fontName(), bar.fontSize(), menuFont.family(), menuFont.pointSizeF()}),
                 QVariantList({"DejaVu Serif", 9.0, "DejaVu Serif", 9.0}));
        bar.setFontSize(0);
        QCOMPARE(bar.fontSize(), 9.0);
    }

    void realBoxShowsWhatItIsAskedAndStyleWordsChooseIt()
    {
        QVariantList seen;
        answerNextBox(&seen, QMessageBox::Cancel);
        QCOMPARE(platform::showMessage("File already exists ! Overwrite ?",
                                       platform::MessageButtons::OkCancel,
                                       platform::MessageIcon::Exclamation),
                 platform::MessageAnswer::Cancel);
        QCOMPARE(seen, QVariantList({"Parlanza", "File already exists ! Overwrite ?",
                                     int(QMessageBox::Warning),
                                     int(QMessageBox::Ok | QMessageBox::Cancel)}));
        // A given title is kept.
        answerNextBox(&seen, QMessageBox::Yes);
        QCOMPARE(platform::MessageBoxService::current().show(
                     platform::requestFromStyle("Go on?", 4 + 32, "HTML Help Class")),
                 platform::MessageAnswer::Yes);
        QCOMPARE(seen, QVariantList({"HTML Help Class", "Go on?", int(QMessageBox::Question),
                                     int(QMessageBox::Yes | QMessageBox::No)}));
        // Style words: 0 to 5 choose the buttons, 16, 32, 48 and 64 the icon.
        using enum platform::MessageButtons;
        using enum platform::MessageIcon;
        const std::tuple<unsigned, platform::MessageButtons, platform::MessageIcon> rows[] = {
            {0, Ok, None},
            {1 + 48, OkCancel, Exclamation},
            {2, AbortRetryIgnore, None},
            {3 + 64, YesNoCancel, Information},
            {5 + 16, RetryCancel, Critical}};
        for (const auto& [style, buttons, icon] : rows) {
            QCOMPARE(platform::requestFromStyle("t", style).buttons, buttons);
            QCOMPARE(platform::requestFromStyle("t", style).icon, icon);
        }
    }

    // Each pair of the filter a name filter; a description alone matches everything.
    void filtersBecomeNameFiltersOfTheDialog()
    {
        const std::pair<QString, QStringList> rows[] = {
            {kFilter,
             {"Text Files (*.txt) (*.txt)", "Rich Text (*.rtf) (*.rtf)",
              "Word Document (*.doc) (*.doc)", "All files (*.*) (*)"}},
            {"Pictures|*.bmp;*.png", {"Pictures (*.bmp *.png)"}},
            {"Anything", {"Anything (*)"}},
            {QString(), {}}};
        for (const auto& [filter, expected] : rows) {
            QCOMPARE(platform::fileDialogNameFilters(filter), expected);
        }
        // The real dialog shows the chosen filter's files first; all files include those
        // without an extension.
        QTemporaryDir dir;
        for (const char* name : {"README", "a.txt", "b.doc"}) {
            QVERIFY(testfiles::write(dir.filePath(QLatin1String(name)), "x"));
        }
        QStringList underAll;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto close = qScopeGuard([dialog] { dialog->reject(); }); // whatever is found
            QTRY_COMPARE(listedNames(*dialog), QStringList{"a.txt"});
            dialog->selectNameFilter(dialog->nameFilters().at(3));
            QTRY_COMPARE(listedNames(*dialog).size(), 3);
            underAll = listedNames(*dialog);
        });
        platform::FileDialogRequest request;
        request.filter = kFilter;
        request.filterIndex = 1;
        request.initialDir = dir.path();
        QVERIFY(!platform::CommonDialogService::current().showOpen(request).has_value());
        QCOMPARE(underAll, (QStringList{"README", "a.txt", "b.doc"}));
    }

    // The caption colours are decimal texts in the string table; the program's files live
    // beside the executable.
    void resourcesAreFoundAndAMissingBitmapIsReported()
    {
        using platform::resources::string;
        QCOMPARE(
            QList<std::optional<QString>>({string(101), string(102), string(103), string(104)}),
            QList<std::optional<QString>>({"10947146", "10030173", "0", std::nullopt}));
        const QDir folder(QCoreApplication::applicationDirPath());
        QCOMPARE(platform::programFile("\\audio\\start.wav"), folder.filePath("audio/start.wav"));
        QCOMPARE(platform::appTitle(), "Parlanza");
        // A missing bitmap is reported, not fatal.
        support::FakeMessageBoxService boxes;
        platform::EventLogCapture log;
        QVERIFY(!platform::resources::bitmap("NO_SUCH_BITMAP"));
        QVERIFY(platform::resources::bitmapOrReport("NO_SUCH_BITMAP").isNull());
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY(boxes.boxes().first().text.contains("NO_SUCH_BITMAP"));
        QCOMPARE(boxes.boxes().first().icon, platform::MessageIcon::Exclamation);
        QCOMPARE(log.entries(platform::LogLevel::Error).size(), 1);
    }
};

QTEST_MAIN(tst_WindowServices)
#include "tst_WindowServices.moc"
