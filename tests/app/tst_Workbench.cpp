// The whole program with the real speech engine, on a real X server (xvfb-run) and the
// test sound server when there is one: typing, speaking, pausing, resuming, the natural
// end, recording, a second copy and a missing start sound.
#include "app/Main.h"
#include "app/Start.h"
#include "controls/bevel/bvlBUTTON.h"
#include "editor/RichTextBox.h"
#include "speech/DirectSS.h"
#include "tests/speech/SpeechTestSupport.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
        Start start(m_tmp.filePath(QStringLiteral("in-process.lock")));
        QVERIFY(start.Form_Load());
        Main* main = start.mainWindow();
        QVERIFY(main->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* speech = qobject_cast<DirectSS*>(main->speechControl());
        QVERIFY(speech);
        QVERIFY(speech->voices().size() >= 19);

        auto* editor = main->findChild<platform::RichTextBox*>(QStringLiteral("RichTextBox1"));
        auto* speak = main->findChild<bvlBUTTON*>(QStringLiteral("cmdSpkText"));
        auto* pause = main->findChild<bvlBUTTON*>(QStringLiteral("cmdPauseText"));
        auto* record = main->findChild<bvlBUTTON*>(QStringLiteral("cmdRec"));
        auto* status = main->findChild<QLabel*>(QStringLiteral("lblStatus"));
        auto* picture = main->findChild<QLabel*>(QStringLiteral("Picture1"));
        auto* fileBox = main->findChild<QLineEdit*>(QStringLiteral("txtFile"));
        QVERIFY(editor && speak && pause && record && status && picture && fileBox);
        saveShot(*main, QStringLiteral("idle.png"));

        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral("Welcome to the workbench. It speaks what you "
                                                "type, and it can record it too."));
        QVERIFY(editor->text().startsWith(QStringLiteral("Welcome to the workbench.")));

        click(speak);
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
        fileBox->setText(wave);
        click(record);
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
        QVERIFY2(recorded.samples.size() > recorded.rate * 2,
                 qPrintable(QString::number(recorded.samples.size())));
        QVERIFY(*std::max_element(recorded.samples.begin(), recorded.samples.end()) > 1000);

        main->close();
        QVERIFY(!main->isVisible());
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
