// The whole program with the real engine on a real X server and the test sound server when
// there is one: speaking, pausing, the natural end, recording and its title, a read-along
// book, a second copy.
#include "TestFiles.h"
#include "app/FollowAlong.h"
#include "app/Main.h"
#include "app/Session.h"
#include "app/Start.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "documents/ZipArchive.h"
#include "editor/DocumentLoading.h"
#include "editor/RichTextBox.h"
#include "platform/SingleInstance.h"
#include "recording/ReadAlongBook.h"
#include "speech/DirectSS.h"
#include "support/FakeCommonDialogService.h"
#include "support/FakeMessageBoxService.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/speech/SpeechTestSupport.h"

#include <QCursor>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QScopeGuard>
#include <sys/mount.h>

using windowtest::child;
using windowtest::programEnvironment;

namespace {

// The ids of the process's visible windows titled Parlanza, as xdotool finds them.
QStringList windowsOf(const QProcess& process)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                              QString::number(process.processId()), "--name", "^Parlanza$"});
    xdotool.waitForFinished(10000);
    return QString::fromLatin1(xdotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
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

// A recording's title as libsndfile reads it (an MP3's from its ID3 tag), and its frames;
// "?" when it cannot be read.
QString recordedTitle(const QString& path, sf_count_t* frames = nullptr)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (sound == nullptr) {
        return "?";
    }
    const char* title = sf_get_string(sound, SF_STR_TITLE);
    const QString read = title != nullptr ? QString::fromUtf8(title) : QString();
    sf_close(sound);
    if (frames) {
        *frames = info.frames;
    }
    return read;
}

// The chapters a recording marks, as ffprobe lists them.
qsizetype recordedChapters(const QString& path)
{
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", path});
    probe.waitForFinished(30000);
    return QJsonDocument::fromJson(probe.readAllStandardOutput())["chapters"].toArray().size();
}

} // namespace

class tst_Workbench : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;

    QProcessEnvironment environment() const { return programEnvironment(m_tmp.path(), "xcb"); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        // The window made in this process remembers into the test's folder too.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(environment().value("XDG_CONFIG_HOME")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(environment().value("XDG_STATE_HOME")));
    }

    void speakPauseResumeEndAndRecord()
    {
        app::Start start(m_tmp.filePath("in-process.lock"));
        QVERIFY(start.Form_Load());
        app::Main* main = start.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* speech = qobject_cast<speech::DirectSS*>(main->speechControl());
        QVERIFY(speech && speech->voices().size() >= 19);
        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        auto* pause = child(main, "cmdPauseText");
        auto* status = child<QLabel>(main, "lblStatus");
        auto* picture = child<QLabel>(main, "Picture1");
        saveShot(*main, "idle.png");
        editor->setFocus();
        QTest::keyClicks(editor, "Welcome to the workbench. It speaks what you "
                                 "type, and it can record it too.");
        QVERIFY(editor->text().startsWith("Welcome to the workbench."));
        click(child(main, "cmdSpkText"));
        QCOMPARE(status->text(), "SPEAKING");
        QTRY_VERIFY_WITH_TIMEOUT(!picture->pixmap().isNull(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(editor->spokenRange().has_value(), 5000); // a word in the shot
        saveShot(*main, "speaking.png");
        click(pause);
        QCOMPARE(status->text(), "PAUSED");
        QVERIFY(speech->isPaused());
        QTest::qWait(500);
        QCOMPARE(status->text(), "PAUSED");
        click(pause);
        QCOMPARE(status->text(), "SPEAKING");
        QVERIFY(!speech->isPaused());
        // The text is spoken to its end.
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), "STOPPED", 30000);
        QVERIFY(picture->pixmap().isNull());
        QVERIFY(speech->isIdle());
        const QString wave = m_tmp.filePath("spoken.wav");
        child<QLineEdit>(main, "txtFile")->setText(wave);
        click(child(main, "cmdRec"));
        QCOMPARE(status->text(), "RECORDING");
        // Rendering runs faster than speech: the recording may be over before a frame.
        QTRY_VERIFY_WITH_TIMEOUT(!picture->pixmap().isNull() || status->text() != "RECORDING",
                                 5000);
        saveShot(*main, "recording.png");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), "STOPPED", 30000);
        const speechtest::WaveContents recorded = speechtest::readWave(wave);
        QVERIFY(recorded.ok && recorded.rate >= 8000);
        // A sentence and a half is a few seconds of speech, and not silence.
        QVERIFY2(recorded.samples.size() > qsizetype(recorded.rate) * 2,
                 qPrintable(QString::number(recorded.samples.size())));
        QVERIFY(*std::max_element(recorded.samples.begin(), recorded.samples.end()) > 1000);
        main->close();
    }

    // A recording is titled by the document in the editor however it got there, an edit
    // keeps the name, text typed after ERASE has none. A document's headings are its
    // chapters, found again after an edit.
    void recordingIsTitledByTheDocument_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("markdown");
        // The Open dialog first: the name it leaves must not reach any later document.
        for (const char* how :
             {"open", "drop", "command line", "hand-off", "reopen", "edited", "erased and typed"}) {
            for (const char* format : {"mp3", "flac"}) {
                QTest::addRow("%s, %s", how, format)
                    << QString::fromLatin1(how) << QString::fromLatin1(format) << false;
            }
        }
        // Opened by content, not as text.
        for (const char* how : {"drop", "edited"}) {
            QTest::addRow("%s, Markdown", how) << QString::fromLatin1(how) << "m4b" << true;
        }
    }

    void recordingIsTitledByTheDocument()
    {
        QFETCH(QString, how);
        QFETCH(QString, format);
        QFETCH(bool, markdown);
        // Named like no other row's document; the title drops the last extension only.
        const QString name = how + (markdown ? " notes.v3" : " notes.v2");
        const QString document = m_tmp.filePath(name + (markdown ? ".md" : ".txt"));
        const QString text = markdown ? "Morning\nA short note, read aloud.\nEvening\nThe end."
                                      : "A short note, read aloud.";
        QVERIFY(testfiles::write(document, markdown ? "# Morning\n\nA short note, read aloud."
                                                      "\n\n# Evening\n\nThe end.\n"
                                                    : text.toUtf8()));
        // The lock a second copy started with this test's folder as its TMPDIR looks for.
        const QString lock =
            m_tmp.filePath(QFileInfo(platform::SingleInstance::defaultLockPath()).fileName());
        const bool fromCommandLine = how == "command line" || how == "erased and typed";
        if (how == "reopen") {
            app::Start earlier(lock);
            QVERIFY(earlier.Form_Load(document));
        }
        app::Start start(lock);
        QVERIFY(start.Form_Load(fromCommandLine ? document : QString()));
        app::Main* main = start.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        auto* editor = child<editor::RichTextBox>(main, "RichTextBox1");
        support::FakeCommonDialogService dialogs;
        if (how == "open") {
            dialogs.queueFile(platform::FileDialogResult{document, QFileInfo(document).fileName(),
                                                         editor::TextFilesEntry});
            child<rkbuttons::rkButtons_H>(main, "cmdOpen")->click();
        } else if (how == "drop" || how == "edited") {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(document)});
            QVERIFY(windowtest::dragAndDrop(main, data));
        } else if (how == "hand-off") {
            QProcess second;
            second.setProcessEnvironment(environment());
            second.start(QStringLiteral(PARLANZA_EXECUTABLE), {document});
            QVERIFY(second.waitForStarted(10000));
            QTRY_COMPARE_WITH_TIMEOUT(editor->text(), text, 20000);
            // The second copy ends once this one has answered, from its event loop.
            QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
            QCOMPARE(second.exitCode(), 0);
        } else if (how == "reopen") {
            start.session()->reopenLastText();
        }
        QCOMPARE(editor->text(), text);
        if (how == "edited") {
            editor->setFocus();
            editor->setSelStart(int(text.size()));
            QTest::keyClicks(editor, " And one more line.");
        } else if (how == "erased and typed") {
            main->cmdClearText_Click();
            editor->setFocus();
            QTest::keyClicks(editor, "Typed from scratch.");
        }
        const QString recording = m_tmp.filePath("titled." + format);
        QFile::remove(recording);
        child<QLineEdit>(main, "txtFile")->setText(recording);
        main->cmdRec_Click();
        QVERIFY(main->isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(!main->isRecording(), 30000);
        if (format != "m4b") {
            QCOMPARE(recordedTitle(recording), how == "erased and typed" ? QString() : name);
        }
        QCOMPARE(recordedChapters(recording), markdown ? 2 : 0);
    }

    // Closing the window while recording keeps what was recorded, as STOP does: a whole file.
    void closingWhileRecordingKeepsTheRecording()
    {
        for (const QString format : {"wav", "ogg"}) {
            const QString recording = m_tmp.filePath("closed." + format);
            QFile::remove(recording);
            {
                app::Start start(m_tmp.filePath("closing.lock"));
                QVERIFY(start.Form_Load(QString()));
                app::Main* main = start.mainWindow();
                QVERIFY(QTest::qWaitForWindowExposed(main));
                child<editor::RichTextBox>(main, "RichTextBox1")
                    ->setText(QString("A long text that takes a while to record, read out to "
                                      "the end of the page and over again. ")
                                  .repeated(200));
                child<QLineEdit>(main, "txtFile")->setText(recording);
                main->cmdRec_Click();
                QVERIFY(main->isRecording());
                QTRY_VERIFY_WITH_TIMEOUT(
                    child<QLabel>(main, "lblStatus")->toolTip().startsWith("Recorded"), 30000);
                QVERIFY(main->isRecording());
                main->close();
            }
            sf_count_t frames = 0;
            QVERIFY2(recordedTitle(recording, &frames) != "?", sf_strerror(nullptr));
            QVERIFY2(frames > 0, qPrintable(format));
        }
    }

    // A book that reads along, chosen last in FILE's list: RECORD writes it with the opened
    // document's chapters as pages, its title and author, the recording inside, and each
    // sentence's clip where the sentence's cue of the same recording begins.
    void recordingAReadAlongBook()
    {
        const QString document = m_tmp.filePath("walks.html");
        QVERIFY(testfiles::write(document, "<html><head><title>Two Walks</title><meta "
                                           "name=\"author\" content=\"Ann Writer\"></head><body>"
                                           "<h1>Morning Walk</h1><p>We walk in the park. The "
                                           "birds sing.</p><h1>Evening Rest</h1><p>We sleep at "
                                           "night.</p></body></html>"));
        app::Start start(m_tmp.filePath("book.lock"));
        QVERIFY(start.Form_Load(QString()));
        app::Main* main = start.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        support::FakeCommonDialogService dialogs;
        dialogs.queueFile(
            platform::FileDialogResult{document, "walks.html", editor::AllDocumentsEntry});
        click(child(main, "cmdOpen"));
        QTRY_VERIFY(child<editor::RichTextBox>(main, "RichTextBox1")->text().contains("Evening"));
        // A name typed without an extension takes the chosen entry's.
        const QString book = m_tmp.filePath("walks.epub");
        dialogs.queueFile(platform::FileDialogResult{m_tmp.filePath("walks"), "walks", 8});
        click(child(main, "cmdSaveFile"));
        QCOMPARE(dialogs.requests().last().file.filter,
                 recording::dialogFilter() + "|Read-Along Book (*.epub)|*.epub");
        QCOMPARE(child<QLineEdit>(main, "txtFile")->text(), book);
        // The sentences' cues of the same recording, beside the book.
        main->followAlong()->setTimingFiles(true, false);
        const auto noTimings =
            qScopeGuard([&] { main->followAlong()->setTimingFiles(false, false); });
        click(child(main, "cmdRec"));
        QCOMPARE(child<QLabel>(main, "lblStatus")->text(), "RECORDING");
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(main, "lblStatus")->text(), "STOPPED", 60000);

        if (!QStandardPaths::findExecutable("java").isEmpty() &&
            QFile::exists("/usr/bin/epubcheck")) {
            const QString complaint = speechtest::epubCheckComplaint(book);
            QVERIFY2(complaint.isEmpty(), qPrintable(complaint));
        }
        const QByteArray bytes = testfiles::read(book);
        const auto archive = documents::ZipArchive::open(bytes);
        QVERIFY(archive);
        const auto entry = [&](const QString& name) {
            const platform::Result<QByteArray> read = archive.value()->read(name, 1 << 26);
            return read ? read.value() : QByteArray();
        };
        const QByteArray package = entry("EPUB/package.opf");
        QVERIFY(package.contains("<dc:title>Two Walks</dc:title>"));
        QVERIFY(package.contains("<dc:creator>Ann Writer</dc:creator>"));
        const QByteArray contents = entry("EPUB/nav.xhtml");
        QVERIFY(contents.contains(">Morning Walk</a>") && contents.contains(">Evening Rest</a>"));
        QVERIFY(entry("EPUB/text/p2.xhtml").contains("We sleep at night."));
        QVERIFY(!archive.value()->read("EPUB/text/p3.xhtml", 1 << 20));
        const QString disagreement = speechtest::clipsDisagree(
            QString::fromUtf8(entry("EPUB/smil/p1.smil") + entry("EPUB/smil/p2.smil")),
            speechtest::readCues(m_tmp.filePath("walks.srt")));
        QVERIFY2(disagreement.isEmpty(), qPrintable(disagreement));
        const QString audio = m_tmp.filePath("book.mp3");
        QVERIFY(testfiles::write(audio, entry(recording::ReadAlongBook::audioName())));
        const speechtest::SoundContents sound = speechtest::readSound(audio);
        QVERIFY2(sound.ok && sound.samples.size() > qsizetype(sound.rate) * 2,
                 qPrintable(sound.error));
        QVERIFY(*std::max_element(sound.samples.begin(), sound.samples.end()) > 1000);
    }

    // A book recorded over an older one replaces it only when whole: a stopped or failed
    // recording leaves the older book as it was, and nothing beside it.
    void unfinishedBookKeepsTheOlderOne_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("said"); // in the message, none when empty
        QTest::newRow("stopped") << "stopped" << QString();
        // A small tmpfs on the book's folder stands for a full disk.
        QTest::newRow("full disk") << "full disk"
                                   << "No space left on device";
    }

    void unfinishedBookKeepsTheOlderOne()
    {
        QFETCH(QString, how);
        QFETCH(QString, said);
        const QString folder = m_tmp.filePath("older");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray where = QFile::encodeName(folder);
        if (how == "full disk" &&
            ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=48k") != 0) {
            QSKIP("A tmpfs cannot be mounted here: the row needs root or CAP_SYS_ADMIN.");
        }
        const auto unmount = qScopeGuard([&] { ::umount2(where.constData(), MNT_DETACH); });
        const QString book = folder + "/older.epub";
        QVERIFY(testfiles::write(book, "precious older book"));
        support::FakeMessageBoxService boxes; // OK to overwrite, then OK to the failure
        app::Start start(m_tmp.filePath("older.lock"));
        QVERIFY(start.Form_Load(QString()));
        app::Main* main = start.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        child<editor::RichTextBox>(main, "RichTextBox1")
            ->setText(QString("A book that takes a while to record, read out to the end of the "
                              "page and over again. ")
                          .repeated(how == "stopped" ? 200 : 20));
        child<QLineEdit>(main, "txtFile")->setText(book);
        click(child(main, "cmdRec"));
        QVERIFY(main->isRecording());
        if (how == "stopped") {
            QTRY_VERIFY_WITH_TIMEOUT(
                child<QLabel>(main, "lblStatus")->toolTip().startsWith("Recorded"), 30000);
            click(child(main, "cmdStopText"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!main->isRecording(), 60000);
        QCOMPARE(child<QLabel>(main, "lblStatus")->text(), "STOPPED");
        QCOMPARE(boxes.boxes().size(), said.isEmpty() ? 1 : 2);
        if (!said.isEmpty()) {
            QVERIFY2(boxes.boxes().last().text.contains(book) &&
                         boxes.boxes().last().text.contains(said),
                     qPrintable(boxes.boxes().last().text));
        }
        QCOMPARE(testfiles::read(book), QByteArray("precious older book"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"older.epub"});
    }

    void missingStartSoundAndSecondCopy()
    {
        // A copy of the program in a folder of its own, without the start sound.
        const QString program = m_tmp.filePath("program/parlanza");
        QVERIFY(QDir().mkpath(m_tmp.filePath("program")));
        QVERIFY(QFile::copy(QStringLiteral(PARLANZA_EXECUTABLE), program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(!QFile::exists(m_tmp.filePath("program/audio/start.wav")));
        QProcess first;
        first.setProcessEnvironment(environment());
        first.start(program, {});
        QVERIFY(first.waitForStarted(10000));
        // The window opens without the sound and without a message.
        QTRY_VERIFY_WITH_TIMEOUT(!windowsOf(first).isEmpty(), 20000);
        QCOMPARE(windowsOf(first).size(), 1);
        QProcess second;
        second.setProcessEnvironment(environment());
        second.start(program, {});
        QVERIFY(second.waitForStarted(10000));
        // The second copy says so in a box of its own and ends once it is answered.
        QStringList boxes;
        QTRY_VERIFY_WITH_TIMEOUT(!(boxes = windowsOf(second)).isEmpty(), 20000);
        QProcess::execute("xdotool", {"windowfocus", "--sync", boxes.first(), "key", "Return"});
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }
};

QTEST_MAIN(tst_Workbench)
#include "tst_Workbench.moc"
