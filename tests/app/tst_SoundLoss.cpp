// The sound server goes and comes back mid-speech: the window holds at the last word heard,
// says so in one line (no box) and goes on from it; STOP while held ends it for good.
#include "app/Main.h"
#include "editor/RichTextBox.h"
#include "speech/SpeechControl.h"
#include "tests/app/WindowTestSupport.h"

const QString kText =
    "The server goes away while these words are being spoken. Nothing is heard for a while, "
    "and then the speech goes on from the word it was at, so that no word is missed by the "
    "listener, however long the sound output was gone for.";

class tst_SoundLoss : public QObject
{
    Q_OBJECT

    using Range = std::pair<int, int>;
    QTemporaryDir m_runtime;
    std::unique_ptr<app::Main> m_main;
    editor::RichTextBox* m_editor = nullptr;
    QList<Range> m_marks;

    bool server(const char* function)
    {
        return windowtest::testService(QLatin1String(function), {m_runtime.filePath("pulse-run")});
    }
    QLabel* status() const { return windowtest::child<QLabel>(m_main.get(), "lblStatus"); }
    QLabel* notice() const { return windowtest::child<QLabel>(m_main.get(), "lblSoundNotice"); }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
            QSKIP("pulseaudio is needed.");
        }
        const QString run = m_runtime.filePath("pulse-run");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
        qputenv("PULSE_SERVER", QFile::encodeName("unix:" + run + "/pulse/native"));
        // No ALSA device to fall back on: without the server nothing is heard.
        const QString alsa = m_runtime.filePath("asound.conf");
        QFile(alsa).open(QIODevice::WriteOnly);
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(alsa));
        QVERIFY(server("parlanza_pulseaudio_in"));
        m_main = std::make_unique<app::Main>();
        m_main->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_editor = windowtest::child<editor::RichTextBox>(m_main.get(), "RichTextBox1");
        connect(m_main->speechControl(), &speech::SpeechControl::WordHeard, this, [this] {
            if (const std::optional<Range> mark = m_editor->spokenRange()) {
                m_marks.append(*mark);
            }
        });
    }

    void cleanupTestCase()
    {
        m_main.reset();
        server("parlanza_kill_pulseaudio_in");
    }

    void speechHoldsAtTheLastWordHeard()
    {
        m_editor->setText(kText);
        QSignalSpy outputs(m_main->speechControl(), &speech::SpeechControl::SoundOutputChanged);
        m_main->cmdSpkText_Click();
        QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() >= 4, 15000);
        QVERIFY(server("parlanza_kill_pulseaudio_in"));
        QTRY_VERIFY_WITH_TIMEOUT(notice()->isVisible(), 10000);
        QCOMPARE(notice()->text(), app::Main::kSoundLostNotice);
        QCOMPARE(status()->text(), "SPEAKING");
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        const qsizetype heard = m_marks.size();
        const Range last = m_marks.last();
        QTest::qWait(1500); // held: no word goes by unheard
        QCOMPARE(m_marks.size(), heard);
        QVERIFY(server("parlanza_pulseaudio_in"));
        QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() > heard, 15000);
        QCOMPARE(m_marks.at(heard), last);
        QVERIFY(!notice()->isVisible());
        QCOMPARE(status()->text(), "SPEAKING");
        // Lost again, and stopped while held: nothing more is spoken once sound is back.
        outputs.clear();
        QVERIFY(server("parlanza_kill_pulseaudio_in"));
        QTRY_VERIFY_WITH_TIMEOUT(notice()->isVisible(), 10000);
        m_main->cmdStopText_Click();
        QCOMPARE(status()->text(), "STOPPED");
        QVERIFY(!notice()->isVisible());
        const qsizetype stopped = m_marks.size();
        QVERIFY(server("parlanza_pulseaudio_in"));
        QTRY_VERIFY_WITH_TIMEOUT(outputs.size() >= 2, 15000);
        QTest::qWait(500);
        QCOMPARE(m_marks.size(), stopped);
        QCOMPARE(status()->text(), "STOPPED");
    }
};

QTEST_MAIN(tst_SoundLoss)
#include "tst_SoundLoss.moc"
