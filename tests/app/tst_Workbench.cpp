// The whole program with the real speech engine, on a real X server (xvfb-run) and the
// test sound server when there is one: typing, speaking, pausing, resuming, the natural
// end, recording and its title, a second copy and a missing start sound.
#include "app/Main.h"
#include "app/Session.h"
#include "app/Start.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "editor/DocumentLoading.h"
#include "editor/RichTextBox.h"
#include "platform/SingleInstance.h"
#include "speech/DirectSS.h"
#include "support/FakeCommonDialogService.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/speech/SpeechTestSupport.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using windowtest::child;

namespace {

// Asks xdotool for visible windows with exactly this title; their ids, newest last.
QStringList windowsTitled(const QString& title, int pid = 0)
{
    QStringList args = {QStringLiteral("search"), QStringLiteral("--all"),
                        QStringLiteral("--onlyvisible")};
    if (pid != 0) {
        args << QStringLiteral("--pid") << QString::number(pid);
    }
    args << QStringLiteral("--name") << QStringLiteral("^%1$").arg(title);
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), args);
    xdotool.waitForFinished(10000);
    return QString::fromLatin1(xdotool.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The buttons check that the pointer really is over them, as a user's click is.
void click(QWidget* button)
{
    const QPoint centre = button->rect().center();
    QCursor::setPos(button->mapToGlobal(centre));
    QTRY_VERIFY(button->rect().contains(button->mapFromGlobal(QCursor::pos())));
    QTest::mouseClick(button, Qt::LeftButton, {}, centre);
}

void saveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("PARLANZA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        window.grab().save(QDir(folder).filePath(name));
    }
}

// A recording's title as libsndfile reads it back (an MP3's from its ID3 tag), and how many
// frames it holds; "?" when it cannot be read.
QString recordedTitle(const QString& path, sf_count_t* frames = nullptr)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (sound == nullptr) {
        return QStringLiteral("?");
    }
    const char* title = sf_get_string(sound, SF_STR_TITLE);
    const QString read = title != nullptr ? QString::fromUtf8(title) : QString();
    sf_close(sound);
    if (frames) {
        *frames = info.frames;
    }
    return read;
}

} // namespace

class tst_Workbench : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;

    // A copy of the program in a folder of its own, without the start sound.
    QString programWithoutStartSound()
    {
        const QString folder = m_tmp.filePath(QStringLiteral("program"));
        QDir().mkpath(folder);
        const QString copy = QDir(folder).filePath(QStringLiteral("parlanza"));
        if (!QFile::exists(copy)) {
            QFile::copy(QStringLiteral(PARLANZA_EXECUTABLE), copy);
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return copy;
    }

    QProcessEnvironment processEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        // The user's own settings and draft stay out of it, and it out of them.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_tmp.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_tmp.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        // The window made in this process remembers into the test's folder too.
        const QProcessEnvironment env = processEnvironment();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
            qputenv(name, env.value(QLatin1String(name)).toLocal8Bit());
        }
    }

    void speakPauseResumeEndAndRecord()
    {
        app::Start start(m_tmp.filePath(QStringLiteral("in-process.lock")));
        QVERIFY(start.Form_Load());
        app::Main* main = start.mainWindow();
        QVERIFY(main->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* speech = qobject_cast<speech::DirectSS*>(main->speechControl());
        QVERIFY(speech);
        QVERIFY(speech->voices().size() >= 19);

        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        auto* pause = child(main, "cmdPauseText");
        auto* status = child<QLabel>(main, "lblStatus");
        auto* picture = child<QLabel>(main, "Picture1");
        saveShot(*main, QStringLiteral("idle.png"));

        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral("Welcome to the workbench. It speaks what you "
                                                "type, and it can record it too."));
        QVERIFY(editor->text().startsWith(QStringLiteral("Welcome to the workbench.")));

        click(child(main, "cmdSpkText"));
        QCOMPARE(status->text(), QStringLiteral("SPEAKING"));
        QTRY_VERIFY_WITH_TIMEOUT(!picture->pixmap().isNull(), 5000);
        QTest::qWait(400);
        saveShot(*main, QStringLiteral("speaking.png"));

        click(pause);
        QCOMPARE(status->text(), QStringLiteral("PAUSED"));
        QVERIFY(speech->isPaused());
        QTest::qWait(500);
        QCOMPARE(status->text(), QStringLiteral("PAUSED"));

        click(pause);
        QCOMPARE(status->text(), QStringLiteral("SPEAKING"));
        QVERIFY(!speech->isPaused());

        // The text is spoken to its end.
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("STOPPED"), 30000);
        QVERIFY(picture->pixmap().isNull());
        QVERIFY(speech->isIdle());

        const QString wave = m_tmp.filePath(QStringLiteral("spoken.wav"));
        child<QLineEdit>(main, "txtFile")->setText(wave);
        click(child(main, "cmdRec"));
        QCOMPARE(status->text(), QStringLiteral("RECORDING"));
        // Rendering runs faster than speech: the recording may be over before a frame.
        QTRY_VERIFY_WITH_TIMEOUT(
            !picture->pixmap().isNull() || status->text() != QLatin1String("RECORDING"), 5000);
        saveShot(*main, QStringLiteral("recording.png"));
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("STOPPED"), 30000);

        const speechtest::WaveContents recorded = speechtest::readWave(wave);
        QVERIFY(recorded.ok);
        QVERIFY(recorded.rate >= 8000);
        // A sentence and a half is a few seconds of speech, and not silence.
        QVERIFY2(recorded.samples.size() > qsizetype(recorded.rate) * 2,
                 qPrintable(QString::number(recorded.samples.size())));
        QVERIFY(*std::max_element(recorded.samples.begin(), recorded.samples.end()) > 1000);

        main->close();
        QVERIFY(!main->isVisible());
    }

    // A recording is titled by the document in the editor however it got there, and an
    // edit keeps the name; text typed after ERASE has no title.
    void recordingIsTitledByTheDocument_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("named");
        // The Open dialog first: the name it leaves must not reach any later document.
        for (const char* how :
             {"open", "drop", "command line", "hand-off", "reopen", "edited", "erased and typed"}) {
            for (const char* format : {"mp3", "flac"}) {
                QTest::addRow("%s, %s", how, format)
                    << QString::fromLatin1(how) << QString::fromLatin1(format)
                    << (QByteArray(how) != "erased and typed");
            }
        }
    }

    void recordingIsTitledByTheDocument()
    {
        QFETCH(QString, how);
        QFETCH(QString, format);
        QFETCH(bool, named);
        // Named like no other row's document; the title drops the last extension only.
        const QString name = how + QStringLiteral(" notes.v2");
        const QString document = m_tmp.filePath(name + QStringLiteral(".txt"));
        const QString text = QStringLiteral("A short note, read aloud.");
        QFile file(document);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
        file.close();
        // The lock a second copy started with this test's folder as its TMPDIR looks for.
        const QString lock =
            m_tmp.filePath(QFileInfo(platform::SingleInstance::defaultLockPath()).fileName());
        const bool fromCommandLine =
            how == QLatin1String("command line") || how == QLatin1String("erased and typed");
        if (how == QLatin1String("reopen")) {
            app::Start earlier(lock);
            QVERIFY(earlier.Form_Load(document));
        }

        app::Start start(lock);
        QVERIFY(start.Form_Load(fromCommandLine ? document : QString()));
        app::Main* main = start.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        support::FakeCommonDialogService dialogs;
        if (how == QLatin1String("open")) {
            dialogs.queueFile(platform::FileDialogResult{document, QFileInfo(document).fileName(),
                                                         editor::TextFilesEntry});
            child<rkbuttons::rkButtons_H>(main, "cmdOpen")->click();
        } else if (how == QLatin1String("drop") || how == QLatin1String("edited")) {
            QVERIFY(windowtest::dropFile(main, document));
        } else if (how == QLatin1String("hand-off")) {
            QProcess second;
            second.setProcessEnvironment(processEnvironment());
            second.start(QStringLiteral(PARLANZA_EXECUTABLE), {document});
            QVERIFY(second.waitForStarted(10000));
            QTRY_COMPARE_WITH_TIMEOUT(editor->text(), text, 20000);
            // The second copy ends once this one has answered, from its event loop.
            QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
            QCOMPARE(second.exitCode(), 0);
        } else if (how == QLatin1String("reopen")) {
            start.session()->reopenLastText();
        }
        QCOMPARE(editor->text(), text);
        if (how == QLatin1String("edited")) {
            editor->setFocus();
            editor->setSelStart(int(text.size()));
            QTest::keyClicks(editor, QStringLiteral(" And one more line."));
        } else if (how == QLatin1String("erased and typed")) {
            main->cmdClearText_Click();
            editor->setFocus();
            QTest::keyClicks(editor, QStringLiteral("Typed from scratch."));
        }

        const QString recording = m_tmp.filePath(QStringLiteral("titled.") + format);
        QFile::remove(recording);
        child<QLineEdit>(main, "txtFile")->setText(recording);
        main->cmdRec_Click();
        QVERIFY(main->isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(!main->isRecording(), 30000);
        QCOMPARE(recordedTitle(recording), named ? name : QString());
    }

    // Closing the window while recording keeps what was recorded, as STOP does: a whole file
    // of its kind, there once the program has ended.
    void closingWhileRecordingKeepsTheRecording_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("wav") << "wav";
        QTest::newRow("ogg") << "ogg";
    }

    void closingWhileRecordingKeepsTheRecording()
    {
        QFETCH(QString, format);
        const QString recording = m_tmp.filePath(QStringLiteral("closed.") + format);
        QFile::remove(recording);
        {
            app::Start start(m_tmp.filePath(QStringLiteral("closing.lock")));
            QVERIFY(start.Form_Load(QString()));
            app::Main* main = start.mainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(main));
            child<editor::RichTextBox>(main, "RichTextBox1")
                ->setText(QStringLiteral("A long text that takes a while to record, read out to "
                                         "the end of the page and over again. ")
                              .repeated(200));
            child<QLineEdit>(main, "txtFile")->setText(recording);
            main->cmdRec_Click();
            QVERIFY(main->isRecording());
            QTRY_VERIFY_WITH_TIMEOUT(
                child<QLabel>(main, "lblStatus")->toolTip().startsWith(QStringLiteral("Recorded")),
                30000);
            QVERIFY(main->isRecording());
            main->close();
        }
        sf_count_t frames = 0;
        QVERIFY2(recordedTitle(recording, &frames) != QLatin1String("?"), sf_strerror(nullptr));
        QVERIFY(frames > 0);
    }

    void missingStartSoundAndSecondCopy()
    {
        const QString program = programWithoutStartSound();
        QVERIFY(
            !QFile::exists(QFileInfo(program).dir().filePath(QStringLiteral("audio/start.wav"))));
        QProcess first;
        first.setProcessEnvironment(processEnvironment());
        first.start(program, {});
        QVERIFY(first.waitForStarted(10000));
        // The window opens without the sound and without a message.
        QTRY_VERIFY_WITH_TIMEOUT(
            !windowsTitled(QStringLiteral("Parlanza"), int(first.processId())).isEmpty(), 20000);
        QCOMPARE(windowsTitled(QStringLiteral("Parlanza"), int(first.processId())).size(), 1);

        QProcess second;
        second.setProcessEnvironment(processEnvironment());
        second.start(program, {});
        QVERIFY(second.waitForStarted(10000));
        // The second copy says so in a box of its own and ends once it is answered.
        QStringList boxes;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(boxes = windowsTitled(QStringLiteral("Parlanza"), int(second.processId()))).isEmpty(),
            20000);
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowfocus"), QStringLiteral("--sync"), boxes.first(),
                           QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }
};

QTEST_MAIN(tst_Workbench)
#include "tst_Workbench.moc"
