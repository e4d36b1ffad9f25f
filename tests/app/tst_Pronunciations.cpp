// Correcting how a name is said from the name itself, in the whole window with the real
// engines on a real X server: an unreadable lexicon is told once and kept; the correction is
// tried, kept and saved by keyboard alone, then spoken and recorded as its respelling while
// the editor keeps the written name and marks it as it is heard.
#include "app/Main.h"
#include "editor/RichTextBox.h"
#include "speech/DirectSS.h"
#include "speech/LexiconFile.h"
#include "speech/SpeechRenderer.h"
#include "support/FakeMessageBoxService.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/speech/SpeechTestSupport.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QTimer>

using windowtest::child;

const QString kSentence = "Please ask Nguyen to call me back.";
const QByteArray kDamaged = "<lexicon><lexeme><grapheme>half a file";

class tst_Pronunciations : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    support::FakeMessageBoxService m_boxes;
    std::unique_ptr<app::Main> m_main;
    editor::RichTextBox* m_editor = nullptr;
    QLabel* m_status = nullptr;

    QString lexiconPath() const { return m_tmp.filePath("config/parlanza/lexicon.pls"); }

    void record(const QString& text, const QString& file, QVector<qint16>& samples)
    {
        m_editor->setText(text);
        child<QLineEdit>(m_main.get(), "txtFile")->setText(m_tmp.filePath(file));
        m_main->cmdRec_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->isRecording(), 30000);
        samples = speechtest::readWave(m_tmp.filePath(file)).samples;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Recordings render through the command line's workers, as in the program itself.
        speech::SpeechRenderer::setWorkerProgram(QStringLiteral(PARLANZA_RENDER_PROGRAM));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_tmp.filePath("config")));
        QVERIFY(QDir().mkpath(m_tmp.filePath("config/parlanza")));
        QFile damaged(lexiconPath());
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(kDamaged) > 0);
        damaged.close();
        m_main = std::make_unique<app::Main>();
        m_main->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_editor = child<editor::RichTextBox>(m_main.get(), "RichTextBox1");
        m_status = child<QLabel>(m_main.get(), "lblStatus");
        const auto told = [this] {
            return std::count_if(m_boxes.boxes().begin(), m_boxes.boxes().end(),
                                 [](const auto& box) { return box.text.contains("lexicon"); });
        };
        QTRY_COMPARE(told(), 1);
        QCoreApplication::processEvents(); // nothing queued behind it tells it again
        QCOMPARE(told(), 1);
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), kDamaged);
    }

    void cleanupTestCase() { m_main.reset(); }

    void pronounceAsFromTheWord()
    {
        m_editor->setFocus();
        QTest::keyClicks(m_editor, kSentence);
        const int name = int(kSentence.indexOf("Nguyen"));
        m_editor->setSelStart(name + 2);
        speech::LexiconEntry expected;
        expected.written = "Nguyen";
        expected.respelling = "win";
        bool kept = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto closed = qScopeGuard([dialog] {
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            });
            dialog->activateWindow();
            QTRY_VERIFY(dialog->isActiveWindow());
            QCOMPARE(child<QLineEdit>(dialog, "written")->text(), "Nguyen");
            QTest::keyClicks(QApplication::focusWidget(), "win");
            QTest::keyClick(dialog, Qt::Key_T, Qt::AltModifier);
            QTRY_COMPARE(m_status->text(), "SPEAKING");
            QVERIFY(m_main->speechControl()->lexicon().entries().contains(expected));
            QTRY_COMPARE_WITH_TIMEOUT(m_status->text(), "STOPPED", 15000);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            kept = dialog->result() == QDialog::Accepted;
        });
        QTest::keySequence(m_main.get(), QKeySequence(Qt::Key_F8));
        QVERIFY(kept);
        QCOMPARE(m_editor->text(), kSentence);
        // Saved, and the unreadable file kept beside it.
        const auto reloaded = speech::lexicon_file::load(lexiconPath());
        QVERIFY2(reloaded && reloaded.value() == QList{expected}, qPrintable(reloaded.error()));
        QFile aside(lexiconPath() + ".damaged");
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), kDamaged);

        QList<std::pair<int, int>> marks;
        connect(m_main->speechControl(), &speech::SpeechControl::WordHeard, this,
                [&] { marks.append(m_editor->spokenRange().value_or(std::pair(-1, 0))); });
        // Without a window manager nothing gives the window the keyboard back.
        m_main->activateWindow();
        QTRY_VERIFY(m_main->isActiveWindow());
        QTest::keySequence(m_main.get(), QKeySequence(Qt::Key_F5));
        QCOMPARE(m_status->text(), "SPEAKING");
        QTRY_COMPARE_WITH_TIMEOUT(m_status->text(), "STOPPED", 20000);
        QVERIFY(marks.contains(std::pair(name, 6)));
        QCOMPARE(m_editor->text(), kSentence);
    }

    // The recording of the written name is the recording of its respelling, sample for
    // sample.
    void recordedAsTheRespelling_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("espeak-ng") << "English (America)";
        QTest::newRow("flite") << "Mary";
    }

    void recordedAsTheRespelling()
    {
        QFETCH(QString, voice);
        auto* voices = child<QListWidget>(m_main.get(), "lstVoice");
        const QList<QListWidgetItem*> found = voices->findItems(voice, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        voices->setCurrentItem(found.first());
        QVector<qint16> written;
        QVector<qint16> respelt;
        record(kSentence, "written.wav", written);
        record(QString(kSentence).replace("Nguyen", "win"), "respelt.wav", respelt);
        const QString sizes = QString("%1 and %2 samples").arg(written.size()).arg(respelt.size());
        QVERIFY2(written.size() > 8000, qPrintable(sizes));
        QVERIFY2(written == respelt, qPrintable(sizes));
    }
};

QTEST_MAIN(tst_Pronunciations)
#include "tst_Pronunciations.moc"
