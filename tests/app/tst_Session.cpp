#include "app/Main.h"
#include "app/Session.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcScroll.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "helpviewer/HelpWindow.h"
#include "platform/EventLog.h"
#include "platform/FakeCommonDialogService.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/MenuBar.h"
#include "speech/FakeSpeechControl.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One run of the program: a loaded window over a fake speech control, remembering into
// the given folder.
struct Run
{
    platform::FakeMessageBoxService boxes;
    platform::FakeCommonDialogService dialogs;
    FakeSpeechControl speech;
    Main main{&speech};
    std::unique_ptr<Session> session;

    explicit Run(const QString& folder)
    {
        speech.setVoices({QStringLiteral("Mary"), QStringLiteral("Mike"), QStringLiteral("Sam")});
        session = std::make_unique<Session>(main, settingsPath(folder),
                                            QDir(folder).filePath(QStringLiteral("draft.txt")));
        main.Form_Load();
        session->Form_Loaded();
    }
    ~Run() { session.reset(); }

    static QString settingsPath(const QString& folder)
    {
        return QDir(folder).filePath(QStringLiteral("config/parlanza.conf"));
    }
    template <typename T> T* control(const char* name)
    {
        return main.findChild<T*>(QLatin1String(name));
    }
    platform::RichTextBox* editor() { return control<platform::RichTextBox>("RichTextBox1"); }

    // Every remembered value as the window and its dialogs hold it.
    QStringList remembered()
    {
        return {control<QListWidget>("lstVoice")->currentItem()->text(),
                QString::number(control<UcScroll>("scrSpeed")->Value()),
                QString::number(control<UcScroll>("scrPitch")->Value()),
                control<QComboBox>("cboZoom")->currentText(),
                editor::FileOpen::OpenInitDir,
                QString::number(editor::FileOpen::OpenFilterIndex),
                main.commonDialog().InitDir,
                QString::number(main.pos().x()) + u',' + QString::number(main.pos().y())};
    }
};

void resetOpenDialog()
{
    editor::FileOpen::OpenInitDir.clear();
    editor::FileOpen::OpenFilterIndex = 0;
}

} // namespace

class tst_Session : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { resetOpenDialog(); }

    // The first run starts as the window does without remembered values (the main window's
    // test), and writes nothing.
    void firstRunIsTheWrittenStartUpAndWritesNothing()
    {
        QTemporaryDir folder;
        Run run(folder.path());
        QCOMPARE(run.remembered(), QStringList({"Mary", "150", "170", "100%", "", "0", "", "0,0"}));
        QVERIFY(run.editor()->text().isEmpty());
        run.main.close();
        run.session.reset();
        QVERIFY(!QFile::exists(Run::settingsPath(folder.path())));
    }

    void everyValueSurvivesARestart()
    {
        QTemporaryDir folder;
        QTemporaryDir documents;
        QStringList before;
        {
            Run run(folder.path());
            run.control<QListWidget>("lstVoice")->setCurrentRow(1);
            run.control<UcScroll>("scrSpeed")->setValue(123);
            run.control<UcScroll>("scrPitch")->setValue(77);
            auto* zoom = run.control<QComboBox>("cboZoom");
            zoom->setCurrentIndex(zoom->count() - 1);
            Q_EMIT zoom->activated(zoom->currentIndex());
            QFile text(documents.filePath(QStringLiteral("a.rtf")));
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("{\\rtf1 hello}");
            text.close();
            run.dialogs.queueFile(
                platform::FileDialogResult{text.fileName(), QStringLiteral("a.rtf"), 2});
            Q_EMIT run.control<rkButtons_H>("cmdOpen")->Click();
            run.control<QLineEdit>("txtFile")->setText(documents.filePath(QStringLiteral("x.wav")));
            run.main.move(40, 30);
            before = run.remembered();
            run.main.close();
            // The dialogs start in those folders from the next run on.
            before[4] = documents.path();
            before[6] = documents.path();
        }
        resetOpenDialog();
        Run again(folder.path());
        QCOMPARE(again.remembered(), before);
        QCOMPARE(before.at(0), QStringLiteral("Mike"));
        QCOMPARE(before.at(5), QStringLiteral("2"));
    }

    void helpWindowReturnsToItsPlace()
    {
        QTemporaryDir folder;
        const auto helpFile =
            std::make_shared<const platform::ChmFile>(platform::ChmFile::fromObjects({}));
        const QRect place(60, 50, 420, 300);
        {
            Run run(folder.path());
            platform::HelpWindow help(helpFile, QStringLiteral("Main"));
            help.show();
            help.setGeometry(place);
            help.hide();
        }
        Run again(folder.path());
        platform::HelpWindow help(helpFile, QStringLiteral("Main"));
        help.show();
        QCOMPARE(help.geometry(), place);
    }

    void placeOffEveryScreenIsIgnored_data()
    {
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("onScreen");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("inside") << QRect(screen.topLeft() + QPoint(10, 10), QSize(200, 100))
                                << true;
        QTest::newRow("title off the top")
            << QRect(screen.left() + 10, screen.top() - 50, 200, 100) << false;
        QTest::newRow("on a screen that has gone")
            << QRect(screen.right() + 100, screen.top(), 200, 100) << false;
        QTest::newRow("mostly off the right")
            << QRect(screen.right() - 50, screen.top() + 10, 400, 100) << false;
        QTest::newRow("empty") << QRect() << false;
    }
    void placeOffEveryScreenIsIgnored()
    {
        QFETCH(QRect, place);
        QFETCH(bool, onScreen);
        QCOMPARE(Session::isOnScreen(place), onScreen);
    }

    // A damaged or unreadable file gives the defaults and a line in the event log; the
    // next change writes a whole new file. A folder that cannot be written never stops it.
    void badSettingsFallBackToDefaults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("writable");
        QTest::newRow("damaged") << "damaged"
                                 << "is damaged" << true;
        QTest::newRow("unreadable") << "folder in its place"
                                    << "cannot be read" << false;
        QTest::newRow("read-only folder") << "file in the folder's place"
                                          << "cannot be written" << false;
    }
    void badSettingsFallBackToDefaults()
    {
        QFETCH(QString, kind);
        QFETCH(QString, logged);
        QFETCH(bool, writable);
        QTemporaryDir folder;
        const QString path = Run::settingsPath(folder.path());
        const QString config = QFileInfo(path).absolutePath();
        if (kind == QLatin1String("damaged")) {
            QDir().mkpath(config);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[speech\nspeed=123\n\x89PNG\r\n\x1a\n\0\0", 28);
        } else if (kind == QLatin1String("folder in its place")) {
            QDir().mkpath(path);
        } else {
            // Even root cannot make a folder where a file is.
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        platform::EventLogCapture log;
        Run run(folder.path());
        QCOMPARE(run.control<UcScroll>("scrSpeed")->Value(), 150);
        run.control<UcScroll>("scrSpeed")->setValue(131);
        QCOMPARE(run.control<UcScroll>("scrSpeed")->Value(), 131);
        QStringList lines;
        for (const platform::LogEntry& entry : log.entries()) {
            lines << entry.text;
        }
        QVERIFY2(lines.join(u'\n').contains(logged), qPrintable(lines.join(u'\n')));
        QSettings written(path, QSettings::IniFormat);
        QCOMPARE(written.status() == QSettings::NoError && written.value("speech/speed") == 131,
                 writable);
    }

    void draftIsSavedAndReopened()
    {
        QTemporaryDir folder;
        const QString text = QStringLiteral("Nothing typed is lost.\nSecond line");
        {
            Run run(folder.path());
            run.editor()->setText(text);
            QTRY_COMPARE_WITH_TIMEOUT(
                platform::DraftFile(QDir(folder.path()).filePath(QStringLiteral("draft.txt")))
                    .load()
                    .value_or(QString()),
                text, Session::kDraftInterval * 3);
            run.editor()->setText(text + QStringLiteral(" and more at exit"));
        }
        Run again(folder.path());
        QVERIFY(again.editor()->text().isEmpty());
        platform::MenuBar* menu = again.main.menuBar();
        const QList<QAction*> file = menu->widget()->actions().first()->menu()->actions();
        QCOMPARE(file.first()->text(), QStringLiteral("Reopen Last Text"));
        QCOMPARE(file.last()->text(), QStringLiteral("E&xit"));
        QVERIFY(file.first()->isEnabled());
        // From the keyboard: the item's shortcut, pressed in the editor.
        again.main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&again.main));
        QTest::keyClick(again.editor(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(again.editor()->text(), text + QStringLiteral(" and more at exit"));
    }
};

QTEST_MAIN(tst_Session)
#include "tst_Session.moc"
