// The window as other programs reach it, on a real X server with a session bus of its own:
// commands from later copies, the clipboard watch, and media keys over the bus.
#include "app/DesktopFace.h"
#include "app/Main.h"
#include "app/Start.h"
#include "editor/RichTextBox.h"
#include "platform/SingleInstance.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/speech/SpeechTestSupport.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

using windowtest::child;

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.parlanza");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QStringList kSentences = {"One two three four five six seven eight nine ten eleven. ",
                                "Twelve thirteen fourteen fifteen sixteen seventeen. ",
                                "Eighteen nineteen twenty twenty-one twenty-two. ",
                                "And that is the end of the count."};

} // namespace

class tst_DesktopFace : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    QStringList m_statusSeen;

    // Runs a program to its end while this copy's window goes on answering; its exit code.
    int run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        process.setProcessEnvironment(windowtest::programEnvironment(m_tmp.path(), "xcb"));
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000)
                   ? process.exitCode()
                   : -1;
    }
    int parlanza(const QStringList& arguments, const QByteArray& input = {})
    {
        return run(QStringLiteral(PARLANZA_EXECUTABLE), arguments, input);
    }
    void put(const char* selection, const QByteArray& text)
    {
        QCOMPARE(run("xclip", {"-selection", selection}, text), 0);
    }
    // A player method called, or a property read, as a media key daemon does.
    QString mpris(const QString& method, const QStringList& arguments = {})
    {
        QProcess gdbus;
        gdbus.start("gdbus",
                    QStringList{"call", "--session", "-d", kService, "-o", kPath, "-m", method} +
                        arguments);
        if (!QTest::qWaitFor([&] { return gdbus.state() == QProcess::NotRunning; }, 10000)) {
            return QStringLiteral("(no answer)");
        }
        return QString::fromUtf8(gdbus.readAllStandardOutput());
    }
    QString property(const QString& name)
    {
        return mpris("org.freedesktop.DBus.Properties.Get",
                     {"org.mpris.MediaPlayer2.Player", name});
    }
    std::unique_ptr<app::Start> start()
    {
        auto started = std::make_unique<app::Start>(
            m_tmp.filePath(QFileInfo(platform::SingleInstance::defaultLockPath()).fileName()));
        started->Form_Load();
        return started;
    }

public Q_SLOTS:
    void propertiesChanged(const QString& /*interface*/, const QVariantMap& changed,
                           const QStringList& /*invalidated*/)
    {
        if (changed.contains("PlaybackStatus")) {
            m_statusSeen << changed.value("PlaybackStatus").toString();
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        if (QStandardPaths::findExecutable("xclip").isEmpty()) {
            QSKIP("xclip (package xclip) puts the texts on the selection.");
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_tmp.filePath("config")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_tmp.filePath("state")));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("before"); // speaking: the editor's text is being spoken
        QTest::addColumn<QByteArray>("selection");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");
        const QString earlier = "An earlier text.";
        const QString read = "Read to you from another program.";
        QTest::newRow("selection") << "" << QByteArray("primary")
                                   << QStringList{"--speak-selection"} << 0 << "SPEAKING" << read;
        QTest::newRow("clipboard") << "" << QByteArray("clipboard")
                                   << QStringList{"--speak-clipboard"} << 0 << "SPEAKING" << read;
        QTest::newRow("standard input")
            << "" << QByteArray() << QStringList{"--speak", "-"} << 0 << "SPEAKING" << read;
        QTest::newRow("empty selection")
            << "" << QByteArray("primary") << QStringList{"--speak-selection"} << 1
            << "Nothing is selected to speak." << earlier;
        QTest::newRow("pause") << "speaking" << QByteArray() << QStringList{"--pause"} << 0
                               << "PAUSED" << earlier;
        QTest::newRow("nothing to pause")
            << "" << QByteArray() << QStringList{"--pause"} << 1 << "STOPPED" << earlier;
        QTest::newRow("stop") << "speaking" << QByteArray() << QStringList{"--stop"} << 0
                              << "STOPPED" << earlier;
    }

    // A command from a later copy acts on the running one and ends with the answer; an empty
    // selection says so in the status line and ends with 1, the editor's text kept.
    void commands()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, selection);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, status);
        QFETCH(QString, text);
        const std::unique_ptr<app::Start> started = start();
        app::Main* main = started->mainWindow();
        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        editor->setText("An earlier text.");
        if (before == "speaking") {
            main->cmdSpkText_Click();
        }
        const bool speaks = status == "SPEAKING";
        const QByteArray given = speaks ? text.toUtf8() : QByteArray();
        if (!selection.isEmpty()) {
            put(selection.constData(), given);
        }
        // What is spoken is heard at the sound server.
        speechtest::MonitorRecording heard;
        QVERIFY(!speaks || heard.start());
        const qint64 asked = heard.now();
        QCOMPARE(parlanza(arguments, selection.isEmpty() ? given : QByteArray()), exitCode);
        QTRY_COMPARE(child<QLabel>(main, "lblStatus")->text(), status);
        QCOMPARE(editor->text(), text);
        if (speaks) {
            QTRY_VERIFY_WITH_TIMEOUT(heard.level(asked, heard.now()) > 300, 10000);
            heard.stop();
        }
    }

    // With no copy running, the command starts one, which speaks once its window is up.
    void commandStartsACopy()
    {
        QProcess first;
        first.setProcessEnvironment(windowtest::programEnvironment(m_tmp.filePath("alone"), "xcb"));
        QVERIFY(QDir().mkpath(m_tmp.filePath("alone")));
        first.start(QStringLiteral(PARLANZA_EXECUTABLE), {"--speak", "Started to say this."});
        QTRY_COMPARE_WITH_TIMEOUT(property("PlaybackStatus"), "(<'Playing'>,)\n", 20000);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    // While on (off at first, then remembered), each text another program copies is spoken at
    // once, cutting off the one before; the window's own copies and, once off, nothing else is.
    void clipboardChangesAreRead()
    {
        const QStringList texts = {"First copied.", kSentences.join(QString()).repeated(3),
                                   "Third copied, cutting in."};
        for (const bool on : {true, false}) {
            const std::unique_ptr<app::Start> started = start();
            app::Main* main = started->mainWindow();
            auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
            auto* status = child<QLabel>(main, "lblStatus");
            QCOMPARE(started->desktopFace()->readsClipboardChanges(), !on);
            main->menuBar()
                ->action(windowtest::menuId(main->menuBar(), app::DesktopFace::kReadClipboardKey))
                ->trigger();
            QCOMPARE(started->desktopFace()->readsClipboardChanges(), on);
            if (!on) {
                put("clipboard", "Not to be read.");
                QTRY_COMPARE(QGuiApplication::clipboard()->text(), "Not to be read.");
                QCoreApplication::processEvents();
                QCOMPARE(status->text(), "STOPPED");
                continue;
            }
            for (const QString& text : texts) {
                put("clipboard", text.toUtf8());
                QTRY_COMPARE(editor->text(), text);
                QTRY_COMPARE(status->text(), "SPEAKING");
            }
            main->cmdStopText_Click();
            editor->setSelStart(0);
            editor->setSelLength(5);
            QGuiApplication::clipboard()->setText(editor->selText());
            QCoreApplication::processEvents();
            QCOMPARE(status->text(), "STOPPED");
        }
    }

    // Media keys move the window as its buttons do, and the bus tells each change.
    void mediaKeys()
    {
        QVERIFY(QDBusConnection::sessionBus().connect(
            kService, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
            SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        const std::unique_ptr<app::Start> started = start();
        app::Main* main = started->mainWindow();
        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        const QString text = kSentences.join(QString());
        editor->setText(text);
        const auto sentence = [&] { // the sentence the marked word is in
            const int at = editor->spokenRange().value_or(std::pair(-1, 0)).first;
            int index = -1;
            for (int start = 0; index + 1 < kSentences.size() && start <= at; ++index) {
                start += int(kSentences.at(index + 1).size());
            }
            return index;
        };
        struct Step
        {
            const char* method;
            QString status;
            int sentence; // moved to by the step; -1: not checked
        };
        const QList<Step> steps = {{"PlayPause", "SPEAKING", 0}, {"Pause", "PAUSED", -1},
                                   {"Play", "SPEAKING", -1},     {"Next", "SPEAKING", 1},
                                   {"Previous", "SPEAKING", 0},  {"PlayPause", "PAUSED", -1},
                                   {"Stop", "STOPPED", -1}};
        const QStringList names = {"Playing", "Paused", "Stopped"};
        for (const Step& step : steps) {
            const QString player = step.status == "SPEAKING" ? "Playing"
                                   : step.status == "PAUSED" ? "Paused"
                                                             : "Stopped";
            m_statusSeen.clear();
            QTRY_VERIFY(sentence() == 0 || QString(step.method) != "Next");
            mpris(QString("org.mpris.MediaPlayer2.Player.") + step.method);
            QTRY_COMPARE(child<QLabel>(main, "lblStatus")->text(), step.status);
            QCOMPARE(property("PlaybackStatus"), QString("(<'%1'>,)\n").arg(player));
            QTRY_COMPARE(m_statusSeen.value(m_statusSeen.size() - 1), player);
            if (step.sentence >= 0) {
                QTRY_COMPARE(sentence(), step.sentence);
            }
        }
        const QString metadata = property("Metadata");
        QVERIFY2(
            metadata.contains("'xesam:title': <'One two three four five six seven eight...'>") &&
                metadata.contains(QString("'xesam:artist': <['%1']>")
                                      .arg(started->desktopFace()->player().voice())) &&
                metadata.contains("'mpris:trackid': <objectpath '/"),
            qPrintable(metadata));
        QVERIFY(!started->desktopFace()->player().voice().isEmpty());
    }
};

QTEST_MAIN(tst_DesktopFace)
#include "tst_DesktopFace.moc"
