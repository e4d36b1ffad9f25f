// What one run leaves the next (values, places, draft, timing choice), and the follow-along's
// position line and items as screen readers read them.
#include "TestFiles.h"
#include "app/About.h"
#include "app/FollowAlong.h"
#include "app/Main.h"
#include "app/MainAccessible.h"
#include "app/ProgressLine.h"
#include "app/Session.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcScroll.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "helpviewer/HelpWindow.h"
#include "platform/EventLog.h"
#include "platform/MenuBar.h"
#include "platform/ScreenPlace.h"
#include "support/FakeCommonDialogService.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeSpeechControl.h"
#include "tests/app/WindowTestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSettings>

namespace {

// One run of the program: a loaded window over a fake speech control, remembering in a folder.
struct Run
{
    support::FakeMessageBoxService boxes;
    support::FakeCommonDialogService dialogs;
    support::FakeSpeechControl speech;
    app::Main main{&speech};
    std::unique_ptr<app::Session> session;

    explicit Run(const QString& folder)
    {
        speech.setVoices({"Mary", "Mike", "Sam"});
        session = std::make_unique<app::Session>(main, settingsPath(folder), draftPath(folder));
        main.Form_Load();
        session->Form_Loaded();
    }

    static QString settingsPath(const QString& folder) { return folder + "/config/parlanza.conf"; }
    static QString draftPath(const QString& folder) { return folder + "/draft.txt"; }
    static QString draft(const QString& folder)
    {
        return platform::DraftFile(draftPath(folder)).load().value_or(QString());
    }
    template <typename T> T* control(const char* name) { return windowtest::child<T>(&main, name); }
    editor::RichTextBox* editor() { return control<editor::RichTextBox>("RichTextBox1"); }
    skinned::UcScroll* speed() { return control<skinned::UcScroll>("scrSpeed"); }
    QAction* item(const QString& key) const
    {
        return main.menuBar()->action(windowtest::menuId(main.menuBar(), key));
    }
    // The two timing items as checked, and what recordings were told to write.
    QList<bool> timings() const
    {
        return {item(app::FollowAlong::kSentenceCuesKey)->isChecked(),
                item(app::FollowAlong::kWordCuesKey)->isChecked(), speech.sentenceCues(),
                speech.wordCues()};
    }

    // Every remembered value as the window and its dialogs hold it.
    QStringList remembered()
    {
        return {control<QListWidget>("lstVoice")->currentItem()->text(),
                QString::number(speed()->Value()),
                QString::number(control<skinned::UcScroll>("scrPitch")->Value()),
                control<QComboBox>("cboZoom")->currentText(),
                editor::FileOpen::OpenInitDir,
                QString::number(editor::FileOpen::OpenFilterIndex),
                main.commonDialog().InitDir,
                QString::number(main.pos().x()) + u',' + QString::number(main.pos().y())};
    }
};

} // namespace

class tst_Session : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // As the program does before it builds its window.
    void initTestCase() { app::MainAccessible::installFactories(); }
    // The open dialog's folder and filter, as a new process starts them.
    void init()
    {
        editor::FileOpen::OpenInitDir.clear();
        editor::FileOpen::OpenFilterIndex = 0;
    }

    // A first run starts as the window does alone, in the user's own folders, and writes
    // nothing. Then values, folders and the window's and the help window's places survive.
    void firstRunWritesNothingAndEveryValueSurvivesARestart()
    {
        QTemporaryDir folder;
        QTemporaryDir documents;
        const auto userFolder = [](QStandardPaths::StandardLocation which) {
            const QString folder = QStandardPaths::writableLocation(which);
            return QFileInfo(folder).isDir() ? folder : QDir::homePath();
        };
        const auto helpFile =
            std::make_shared<const helpviewer::ChmFile>(helpviewer::ChmFile::fromObjects({}));
        const QRect place(60, 50, 420, 300);
        QStringList before;
        {
            Run first(folder.path());
            QCOMPARE(first.remembered(),
                     QStringList({"Mary", "150", "170", "100%",
                                  userFolder(QStandardPaths::DocumentsLocation), "0",
                                  userFolder(QStandardPaths::MusicLocation), "0,0"}));
            QVERIFY(first.editor()->text().isEmpty());
            first.main.close();
        }
        QVERIFY(!QFile::exists(Run::settingsPath(folder.path())));
        {
            Run run(folder.path());
            run.control<QListWidget>("lstVoice")->setCurrentRow(1);
            run.speed()->setValue(123);
            run.control<skinned::UcScroll>("scrPitch")->setValue(77);
            auto* zoom = run.control<QComboBox>("cboZoom");
            zoom->setCurrentIndex(zoom->count() - 1);
            Q_EMIT zoom->activated(zoom->currentIndex());
            const QString text = documents.filePath("a.rtf");
            QVERIFY(testfiles::write(text, "{\\rtf1 hello}"));
            run.dialogs.queueFile(platform::FileDialogResult{text, "a.rtf", 2});
            Q_EMIT run.control<rkbuttons::rkButtons_H>("cmdOpen")->Click();
            run.control<QLineEdit>("txtFile")->setText(documents.filePath("x.wav"));
            run.main.move(10, 30);
            helpviewer::HelpWindow help(helpFile, "Main");
            help.show();
            help.setGeometry(place);
            help.hide();
            before = run.remembered();
            run.main.close();
            // The dialogs start in those folders from the next run on.
            before[4] = documents.path();
            before[6] = documents.path();
        }
        init();
        Run again(folder.path());
        QCOMPARE(again.remembered(), before);
        QCOMPARE(QStringList({before[0], before[5]}), QStringList({"Mike", "2"}));
        helpviewer::HelpWindow help(helpFile, "Main");
        help.show();
        QCOMPARE(help.geometry(), place);
    }

    // A remembered place with its title or its middle off every screen (as on a screen that
    // has gone) is not trusted; any window shown later (About) is clamped onto the screen too.
    void windowsShowWhollyOnAScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Its title off the top; its middle below the bottom edge.
        for (const QPoint& corner :
             {QPoint(screen.left() + 10, -50), QPoint(screen.left() + 20, screen.bottom() - 60)}) {
            QTemporaryDir folder;
            QSettings(Run::settingsPath(folder.path()), QSettings::IniFormat)
                .setValue("window/place", QRect(corner, QSize(300, 200)));
            Run run(folder.path());
            QVERIFY(QTest::qWaitForWindowExposed(&run.main));
            QVERIFY(screen.contains(run.main.geometry()));
            if (corner.y() > screen.center().y()) {
                // About, opened where its bottom would be below the screen's edge.
                run.item("keyAbout")->trigger();
                app::About* about = run.main.aboutWindow();
                QVERIFY(about && about->isVisible());
                about->hide();
                about->move(corner);
                about->show();
                QVERIFY(screen.contains(about->geometry()));
                about->close();
            }
        }
        const QRect tooLarge(screen.topLeft() - QPoint(40, 40), screen.size() + QSize(300, 300));
        QCOMPARE(platform::placedOnScreen(tooLarge), screen);
        QCOMPARE(platform::placedOnScreen(tooLarge, screen.size() + QSize(10, 0)),
                 QRect(screen.topLeft(), screen.size() + QSize(10, 0)));
    }

    // A damaged or unreadable file gives the defaults and a line in the event log; the
    // next change writes a whole new file. A folder that cannot be written never stops it.
    void badSettingsFallBackToDefaults()
    {
        for (const auto& [kind, logged, writable] :
             {std::tuple<QString, QString, bool>{"damaged", "is damaged", true},
              {"folder in its place", "cannot be read", false},
              {"file in the folder's place", "cannot be written", false}}) {
            QTemporaryDir folder;
            const QString path = Run::settingsPath(folder.path());
            const QString config = QFileInfo(path).absolutePath();
            if (kind == "damaged") {
                QDir().mkpath(config);
                QVERIFY(testfiles::write(
                    path, QByteArray("[speech\nspeed=123\n\x89PNG\r\n\x1a\n\0\0", 28)));
            } else if (kind == "folder in its place") {
                QDir().mkpath(path);
            } else {
                // Even root cannot make a folder where a file is.
                QVERIFY(testfiles::write(config, {}));
            }
            platform::EventLogCapture log;
            Run run(folder.path());
            QCOMPARE(run.speed()->Value(), 150);
            run.speed()->setValue(131);
            QStringList lines;
            for (const platform::LogEntry& entry : log.entries()) {
                lines << entry.text;
            }
            QVERIFY2(lines.join(u'\n').contains(logged), qPrintable(lines.join(u'\n')));
            QSettings written(path, QSettings::IniFormat);
            QCOMPARE(written.status() == QSettings::NoError && written.value("speech/speed") == 131,
                     writable);
        }
    }

    void draftIsSavedAndReopened()
    {
        QTemporaryDir folder;
        const QString text = "Nothing typed is lost.\nSecond line";
        {
            Run run(folder.path());
            run.editor()->setText(text);
            QTRY_COMPARE_WITH_TIMEOUT(Run::draft(folder.path()), text,
                                      app::Session::kDraftInterval * 3);
            run.editor()->setText(text + " and more at exit");
        }
        Run again(folder.path());
        QVERIFY(again.editor()->text().isEmpty());
        platform::MenuBar* menu = again.main.menuBar();
        const QList<QAction*> file = menu->widget()->actions().first()->menu()->actions();
        QCOMPARE(file.first()->text(), "Reopen Last Text");
        QCOMPARE(file.last()->text(), "E&xit");
        QVERIFY(file.first()->isEnabled());
        // From the keyboard: the item's shortcut, pressed in the editor.
        again.main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&again.main));
        QTest::keyClick(again.editor(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(again.editor()->text(), text + " and more at exit");
    }

    // ERASE by mistake loses nothing: Ctrl+Z brings the text back, and Reopen Last Text the
    // text just erased (on a first run too), never an older draft, which never overwrites it.
    void erasedTextComesBack()
    {
        for (const bool earlierDraft : {false, true}) { // a first run, then with an older draft
            QTemporaryDir folder;
            if (earlierDraft) {
                QVERIFY(platform::DraftFile(Run::draftPath(folder.path())).save("An older text."));
            }
            Run run(folder.path());
            QAction* reopen = run.item("keyReopen");
            QCOMPARE(reopen->isEnabled(), earlierDraft);
            const QString typed = "Typed just now, and erased by mistake.";
            run.main.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&run.main));
            run.editor()->setFocus();
            QTest::keyClicks(run.editor(), typed);
            run.main.cmdClearText_Click();
            QVERIFY(run.editor()->text().isEmpty());
            QCOMPARE(Run::draft(folder.path()), typed);
            QTest::keyClick(run.editor(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(run.editor()->text(), typed);
            run.main.cmdClearText_Click();
            QVERIFY(reopen->isEnabled());
            reopen->trigger();
            QCOMPARE(run.editor()->text(), typed);
            run.session->saveDraft();
            QCOMPARE(Run::draft(folder.path()), typed);
        }
    }

    // The timing choice survives a restart, stored as true or false.
    void timingChoiceSurvivesARestart()
    {
        QTemporaryDir folder;
        {
            Run run(folder.path());
            QCOMPARE(run.timings(), QList<bool>({false, false, false, false}));
            run.item(app::FollowAlong::kWordCuesKey)->trigger();
            QCOMPARE(run.timings(), QList<bool>({false, true, false, true}));
        }
        {
            Run run(folder.path());
            QCOMPARE(run.timings(), QList<bool>({false, true, false, true}));
            run.item(app::FollowAlong::kSentenceCuesKey)->trigger();
            run.item(app::FollowAlong::kWordCuesKey)->trigger();
        }
        Run again(folder.path());
        QCOMPARE(again.timings(), QList<bool>({true, false, true, false}));
        // A stored choice that is not "true" in some case is off: a number or a yes too.
        for (const auto& [stored, on] :
             {std::pair{"True", true}, {"yes please", false}, {"2", false}}) {
            QTemporaryDir other;
            {
                QSettings settings(Run::settingsPath(other.path()), QSettings::IniFormat);
                settings.setValue("record/sentenceTimings", stored);
                settings.setValue("record/wordTimings", stored);
            }
            Run run(other.path());
            QCOMPARE(run.timings(), QList<bool>({on, on, on, on}));
        }
    }

    // The position line's value, range and words, and the timing items as check items, read
    // from inside the program. (Roles and names: atspi/test_follow.py.)
    void positionLineAndTimingItemsReadAsScreenReadersReadThem()
    {
        QTemporaryDir folder;
        Run run(folder.path());
        app::ProgressLine* line = run.main.followAlong()->progressLine();
        line->setProgress(7, 51, "Word 7 of 51");
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(line);
        QAccessibleValueInterface* value = bar->valueInterface();
        QCOMPARE(bar->text(QAccessible::Description), "Word 7 of 51");
        QCOMPARE(QList<int>({value->currentValue().toInt(), value->minimumValue().toInt(),
                             value->maximumValue().toInt()}),
                 QList<int>({7, 0, 51}));
        line->setProgress(80, 51, {}); // past the end stays at the end
        QCOMPARE(value->currentValue().toInt(), 51);
        // The two timing items are made alike: one stands for both.
        QAction* action = run.item(app::FollowAlong::kWordCuesKey);
        QAccessibleInterface* item = QAccessible::queryAccessibleInterface(action);
        QCOMPARE(item->role(), QAccessible::MenuItem);
        QVERIFY(item->state().checkable && !item->state().checked);
        item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_VERIFY(item->state().checked && action->isChecked());
        QAccessibleInterface* plain =
            QAccessible::queryAccessibleInterface(run.item(app::FollowAlong::kContinueKey));
        QVERIFY(plain && !plain->state().checkable);
    }
};

QTEST_MAIN(tst_Session)
#include "tst_Session.moc"
