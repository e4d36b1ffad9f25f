#include "TestFiles.h"
#include "recording/SubtitleWriter.h"
#include "speech/SpeechTestSupport.h"
#include "speech/VoiceCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// parlanza-render as its users run it: options, refusals and exit statuses, outputs that
// are complete or absent, parallel renders equal to serial ones, timing files equal to the
// window's, and folders read by content.
class tst_RenderCommand : public QObject
{
    Q_OBJECT

    struct Run
    {
        int status = -1;
        QString out;
        QString err;
        QByteArray bytes; // standard output as it came
    };

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    static QProcessEnvironment environment(bool shortPieces = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Pieces of a sentence or two, so that short texts still spread over workers.
        if (shortPieces) {
            env.insert(QStringLiteral("PARLANZA_RENDER_PIECE_CHARS"), QStringLiteral("60"));
        }
        return env;
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments, bool shortPieces = true,
                                    const QString& program = PARLANZA_RENDER_PROGRAM)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment(shortPieces));
        process->setWorkingDirectory(m_dir->path());
        process->start(program, arguments);
        return process;
    }

    static Run finish(QProcess& process)
    {
        process.waitForFinished(120000);
        const QByteArray bytes = process.readAllStandardOutput();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(bytes), QString::fromUtf8(process.readAllStandardError()), bytes};
    }

    Run run(const QStringList& arguments, const QByteArray& input = {}, bool shortPieces = true,
            const QString& program = PARLANZA_RENDER_PROGRAM)
    {
        const std::unique_ptr<QProcess> process = start(arguments, shortPieces, program);
        process->write(input);
        process->closeWriteChannel();
        return finish(*process);
    }

    // Every file under the folder with its bytes.
    static QMap<QString, QByteArray> contents(const QString& folder)
    {
        QMap<QString, QByteArray> found;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            found.insert(QDir(folder).relativeFilePath(file), testfiles::read(file));
        }
        return found;
    }

    // Whether an output is being written: the render holds its claim, a hidden file
    // beside it.
    bool writing(const QString& name) const
    {
        return QFileInfo::exists(path(QLatin1Char('.') + name + QStringLiteral(".parlanza-lock")));
    }

    // Whether a thread of the process waits in poll(), as the reading of standard input
    // does between its reads.
    static bool waitsInPoll(qint64 pid)
    {
        constexpr int PollCall = 7; // x86-64
        QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
        const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return std::any_of(ids.cbegin(), ids.cend(), [&](const QString& id) {
            const QByteArray call =
                testfiles::read(tasks.filePath(id + QStringLiteral("/syscall")));
            return call.split(' ').value(0).toInt() == PollCall;
        });
    }

    QStringList files(const QString& folder = {}) const
    {
        QStringList names;
        QDir dir(folder.isEmpty() ? m_dir->path() : folder);
        for (const QFileInfo& info : dir.entryInfoList(
                 QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            names.append(info.isDir() ? info.fileName() + QLatin1Char('/') : info.fileName());
        }
        return names;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(testfiles::write(path("a.txt"), "First text. It has two sentences."));
        QVERIFY(testfiles::write(path("b.txt"), "Second text, one sentence."));
    }

    void refusalsAndFailures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("after");
        const QStringList none{"a.txt", "b.txt"};
        const QStringList bothDone{"a.txt", "a.wav", "b.txt", "b.wav"};
        QTest::newRow("unknown option")
            << QStringList{"--loud", "a.txt"} << 2 << "Unknown option --loud" << none;
        QTest::newRow("no input") << QStringList{} << 2 << "No input given" << none;
        QTest::newRow("speed off the bar")
            << QStringList{"--speed", "20", "a.txt"} << 2 << "from 50 to 270" << none;
        QTest::newRow("tone not a number")
            << QStringList{"--tone=high", "a.txt"} << 2 << "from 90 to 300" << none;
        QTest::newRow("unknown voice")
            << QStringList{"--voice", "Nobody", "a.txt"} << 2 << "no voice \"Nobody\"" << none;
        QTest::newRow("refused by the voice")
            << QStringList{"--voice", "Female Whisper", "--tone", "250", "a.txt"} << 2
            << speech::VoiceCatalog::refusalMessage() << none;
        QTest::newRow("unknown format")
            << QStringList{"--format", "aiff", "a.txt"} << 2 << "names no sound format" << none;
        QTest::newRow("output names no format")
            << QStringList{"a.txt", "-o", "a.aiff"} << 2 << "which names no sound format" << none;
        QTest::newRow("stdin without output") << QStringList{"-"} << 2 << "needs --output" << none;
        QTest::newRow("missing input, the other done") << QStringList{"gone.txt", "a.txt", "b.txt"}
                                                       << 1 << "gone.txt: no such file" << bothDone;
        QTest::newRow("unreadable input, the other done")
            << QStringList{"/proc/self/mem", "a.txt", "b.txt"} << 1 << "failed  /proc/self/mem"
            << bothDone;
        QTest::newRow("existing output kept without --force")
            << QStringList{"a.txt", "b.txt", "older=a.wav"} << 1
            << "a.wav exists (--force overwrites it)" << bothDone;
        QTest::newRow("existing timing file kept without --force")
            << QStringList{"--timings", "vtt", "a.txt", "b.txt", "older=a.vtt"} << 1
            << "a.vtt exists (--force overwrites it)"
            << QStringList{"a.txt", "a.vtt", "b.txt", "b.vtt", "b.wav"};
        QTest::newRow("unknown timings")
            << QStringList{"--timings", "ass", "a.txt"} << 2 << "--timings takes srt" << none;
        QTest::newRow("dry run names the timing file")
            << QStringList{"--dry-run", "--timings=SRT", "a.txt"} << 0
            << "would write  a.txt -> a.srt" << none;
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: parlanza-render" << none;
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << "parlanza-render " PARLANZA_VERSION "\n"
                                 << none;
        // One sound file, or standard output, for what makes several outputs.
        QTest::newRow("one sound file for several inputs")
            << QStringList{"a.txt", "b.txt", "-o", "both.mp3"} << 2
            << "-o both.mp3 names one output, but several inputs make several" << none;
        QTest::newRow("one sound file for a split")
            << QStringList{"a.txt", "--split", "2", "-o", "-"} << 2
            << "-o - names one output, but --split make several" << none;
        QTest::newRow("one sound file for a folder")
            << QStringList{".", "-o", "all.wav"} << 2 << "a folder as input make several" << none;
        QTest::newRow("format against the extension")
            << QStringList{"--format", "mp3", "a.txt", "-o", "f.wav"} << 2
            << "--format mp3 does not match f.wav" << none;
        QTest::newRow("timings with standard output")
            << QStringList{"--timings", "srt", "a.txt", "-o", "-"} << 2 << "with -o - there is none"
            << none;
        QTest::newRow("flag with a value")
            << QStringList{"--force=yes", "a.txt"} << 2 << "--force takes no value" << none;
        QTest::newRow("dry run writes nothing")
            << QStringList{"--dry-run", "a.txt", "b.txt"} << 0 << "would write  a.txt" << none;
    }

    void refusalsAndFailures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        QString older;
        for (const QString& argument : std::as_const(arguments)) {
            if (argument.startsWith("older=")) {
                older = argument.mid(6);
                QVERIFY(testfiles::write(path(older), "older"));
            }
        }
        arguments.removeAll("older=" + older);
        const Run result = run(arguments);
        QCOMPARE(result.status, status);
        const QString said = result.out + result.err;
        QVERIFY2(said.contains(message), qPrintable(said));
        QCOMPARE(files(), after);
        if (!older.isEmpty()) {
            QCOMPARE(testfiles::read(path(older)), QByteArray("older"));
        }
    }

    void outputsAndOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("outputs"); // in out/
        QTest::newRow("one file, format by extension")
            << QStringList{"a.txt", "-o", "out/speech.mp3"} << QStringList{"speech.mp3"};
        // Documents told by content; a picture, an empty file and hidden ones left out.
        QTest::newRow("folder, recursive, --format")
            << QStringList{"in", "--format", "flac", "--output", "out"}
            << QStringList{"c.flac", "deeper/", "notes.flac", "report.flac"};
        QTest::newRow("split by chapters")
            << QStringList{"chapters.txt", "--split", "chapters", "-o", "out/"}
            << QStringList{"chapters-001.wav", "chapters-002.wav", "chapters-003.wav"};
        QTest::newRow("split every 2 paragraphs")
            << QStringList{"chapters.txt", "--split=2", "-o", "out"}
            << QStringList{"chapters-001.wav", "chapters-002.wav", "chapters-003.wav"};
        QTest::newRow("standard input, voice, speed, tone, force")
            << QStringList{"-",   "--voice", "mike in stadium", "--speed", "200", "--tone",
                           "120", "--force", "--jobs",          "1",       "-o",  "out/in.ogg"}
            << QStringList{"in.ogg"};
    }

    void outputsAndOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, outputs);
        QVERIFY(QDir().mkpath(path("in/deeper")));
        QVERIFY(testfiles::write(path("in/c.txt"), "Third."));
        QVERIFY(testfiles::write(path("in/deeper/d.md"), "Fourth."));
        QVERIFY(testfiles::write(path("in/notes"), "No extension."));
        QVERIFY(testfiles::write(path("in/report.dat"),
                                 testfiles::read(PARLANZA_DOCUMENT_TEST_DATA "/sample.pdf")));
        QVERIFY(testfiles::write(path("in/picture.txt"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)));
        QVERIFY(testfiles::write(path("in/empty.md"), ""));
        QVERIFY(testfiles::write(path("in/.hidden.txt"), "Hidden."));
        QVERIFY(QDir().mkpath(path("in/.cache")) &&
                testfiles::write(path("in/.cache/e.txt"), "In a hidden folder."));
        QVERIFY(testfiles::write(path("chapters.txt"),
                                 "Preface words.\n\nChapter 1\n\nOne.\n\nChapter 2\n\nTwo."));
        const Run result = run(arguments, "From standard input.");
        QVERIFY2(result.status == 0, qPrintable(QString(result.out + result.err)));
        QCOMPARE(files(path("out")), outputs);
        QCOMPARE(result.out.count(QStringLiteral("written ")), outputs.size());
        // An empty file is passed over as one of blanks is.
        QCOMPARE(result.out.contains("skipped 1 file(s) in in that hold no document: "
                                     "in/picture.txt\n"),
                 arguments.contains("in"));
        QCOMPARE(result.out.contains("skipped in/empty.md: contains no text to speak\n"),
                 arguments.contains("in"));
    }

    void listsTheWindowsVoices()
    {
        const Run result = run({"--list-voices"});
        QCOMPARE(result.status, 0);
        const QStringList names = result.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(names.mid(0, 3), (QStringList{"Mary", "Mike", "Sam"}));
        QVERIFY(names.contains("Mike in Space"));
        QVERIFY(names.contains("German"));
    }

    void parallelEqualsSerial_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("espeak-ng") << "English (America)";
        QTest::newRow("flite") << "Mike";
        QTest::newRow("effect tail over pieces") << "Mary in Hall";
    }

    void parallelEqualsSerial()
    {
        QFETCH(QString, voice);
        const QByteArray text = "One short sentence. Another one follows here. A question? Yes! "
                                "And a last sentence to end the text.";
        QVERIFY(testfiles::write(path("t.txt"), text));
        const Run serial = run({"--voice", voice, "--jobs", "1", "t.txt", "-o", "serial.wav"});
        const Run parallel = run({"--voice", voice, "--jobs", "3", "t.txt", "-o", "parallel.wav"});
        QVERIFY2(serial.status == 0 && parallel.status == 0,
                 qPrintable(QString(serial.err + parallel.err)));
        const QByteArray one = testfiles::read(path("serial.wav"));
        QVERIFY(one.size() > qsizetype(22050) * 2 * 3);
        QVERIFY(one == testfiles::read(path("parallel.wav")));
        // Both went through workers. Rendered in this process, in pieces of its own, flite
        // gives as much audio: none lost or repeated on the way back from the workers.
        if (voice != QLatin1String("English (America)")) {
            speechtest::SilentControl window;
            QVERIFY(speechtest::render(*window.control, voice, text, path("window.wav")));
            QCOMPARE(speechtest::readWave(path("window.wav")).samples.size(),
                     speechtest::readWave(path("serial.wav")).samples.size());
        }
    }

    // A text long enough for the window to cut it into pieces, so that the render spreads
    // the same pieces over its workers. espeak-ng's pitch flutter runs on from piece to
    // piece in the window but starts afresh in each worker, which can move its words by a
    // few pitch periods.
    void timingFilesMatchTheWindow_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("toleranceMs");
        QTest::newRow("flite words") << "Mike" << int(recording::SubtitleWriter::Kind::Words) << 1;
        QTest::newRow("flite sentences, effect")
            << "Mary in Hall" << int(recording::SubtitleWriter::Kind::Sentences) << 1;
        QTest::newRow("espeak-ng words")
            << "English (America)" << int(recording::SubtitleWriter::Kind::Words) << 20;
    }

    void timingFilesMatchTheWindow()
    {
        QFETCH(QString, voice);
        QFETCH(int, kind);
        QFETCH(int, toleranceMs);
        QString text;
        for (int i = 1; text.size() < 2300; ++i) {
            text += QStringLiteral("Line %1 of the story: the wind & the rain <came> back again. "
                                   "Did it stop? No!\n")
                        .arg(i);
        }
        QVERIFY(testfiles::write(path("t.txt"), text.toUtf8()));
        const auto type = recording::SubtitleWriter::Kind(kind);
        const QString timings = recording::SubtitleWriter::pathFor(path("t.wav"), type);
        QVERIFY(testfiles::write(timings, "older"));
        const Run rendered = run({"--voice", voice, "--jobs", "3", "--force",
                                  QStringLiteral("--timings=%1").arg(timings.right(3)), "t.txt"},
                                 {}, false);
        QVERIFY2(rendered.status == 0, qPrintable(rendered.err));

        speechtest::SilentControl window;
        window.control->setSubtitles(type == recording::SubtitleWriter::Kind::Sentences,
                                     type == recording::SubtitleWriter::Kind::Words);
        QVERIFY(speechtest::render(*window.control, voice, text, path("window.wav"), 120000));
        const QList<speechtest::Cue> expected =
            speechtest::readCues(recording::SubtitleWriter::pathFor(path("window.wav"), type));
        const QList<speechtest::Cue> cues = speechtest::readCues(timings);
        QVERIFY(expected.size() > (type == recording::SubtitleWriter::Kind::Words ? 400 : 30));
        QCOMPARE(cues.size(), expected.size());
        for (qsizetype i = 0; i < cues.size(); ++i) {
            QCOMPARE(cues[i].text, expected[i].text);
            QVERIFY2(qAbs(cues[i].startMs - expected[i].startMs) <= toleranceMs &&
                         qAbs(cues[i].endMs - expected[i].endMs) <= toleranceMs,
                     qPrintable(QString::number(i)));
        }
    }

    void interruptedRunLeavesNoPartialOutput()
    {
        QVERIFY(testfiles::write(
            path("long.txt"),
            QByteArray("A long text that takes a while to speak. ").repeated(400)));
        QVERIFY(testfiles::write(path("long.wav"), "older"));
        QVERIFY(testfiles::write(path("long.srt"), "older"));
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(m_dir->path());
        process.start(QStringLiteral(PARLANZA_RENDER_PROGRAM),
                      {"--voice", "Mary", "--force", "--timings", "srt", "long.txt", "a.txt"});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(writing(QStringLiteral("long.wav")), 30000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 130);
        // The short text is rendered beside the long one and may be done by then; if so,
        // whole and reported.
        QStringList expected{"a.txt", "b.txt", "long.srt", "long.txt", "long.wav"};
        if (process.readAllStandardOutput().contains("written a.txt -> a.wav")) {
            expected << "a.srt"
                     << "a.wav";
            expected.sort();
            QVERIFY(speechtest::readCues(path("a.srt")).size() >= 2);
        }
        QCOMPARE(files(), expected);
        QCOMPARE(testfiles::read(path("long.wav")), QByteArray("older"));
        QCOMPARE(testfiles::read(path("long.srt")), QByteArray("older"));
    }

    // Outputs are never taken for inputs: a second run over the same folder reads the same
    // documents and writes the same bytes, whatever the first one left there.
    // A signal ends the run at any stage, reading standard input too, with the status a
    // shell gives it, and nothing partial is left.
    void signalsEndTheRunAsTheShellSays_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("whileReading"); // else while rendering
        QTest::newRow("Ctrl+C reading standard input") << int(SIGINT) << true;
        QTest::newRow("TERM reading standard input") << int(SIGTERM) << true;
        QTest::newRow("HUP rendering") << int(SIGHUP) << false;
        QTest::newRow("TERM rendering") << int(SIGTERM) << false;
    }

    void signalsEndTheRunAsTheShellSays()
    {
        QFETCH(int, signal);
        QFETCH(bool, whileReading);
        QVERIFY(testfiles::write(
            path("long.txt"),
            QByteArray("A long text that takes a while to speak. ").repeated(400)));
        const std::unique_ptr<QProcess> process =
            start(whileReading ? QStringList{"-", "-o", "in.wav"}
                               : QStringList{"--voice", "Mary", "long.txt"});
        QVERIFY(process->waitForStarted());
        if (whileReading) {
            process->write("Some words, and the input stays open.");
            QTRY_VERIFY_WITH_TIMEOUT(waitsInPoll(process->processId()), 30000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(writing(QStringLiteral("long.wav")), 30000);
        }
        ::kill(pid_t(process->processId()), signal);
        QVERIFY(process->waitForFinished(20000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 128 + signal);
        QVERIFY(process->readAllStandardError().contains("interrupted"));
        QCOMPARE(files(), (QStringList{"a.txt", "b.txt", "long.txt"}));
    }

    // -o - sends the sound itself to standard output, the same bytes as a file gets, and
    // the result line goes to standard error. Ogg streams carry a serial number made from
    // their content, so the same render gives the same bytes.
    void standardOutputCarriesTheSound_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : {"wav", "opus", "ogg"}) {
            QTest::newRow(format) << format;
        }
    }

    void standardOutputCarriesTheSound()
    {
        QFETCH(QString, format);
        const Run piped = run({"--format", format, "a.txt", "-o", "-"});
        QVERIFY2(piped.status == 0, qPrintable(piped.err));
        QVERIFY2(piped.err.contains("written a.txt -> standard output ("), qPrintable(piped.err));
        const Run file = run({"a.txt", "-o", "a." + format});
        QVERIFY2(file.status == 0, qPrintable(file.err));
        const QByteArray written = testfiles::read(path("a." + format));
        QVERIFY(written.startsWith(format == QLatin1String("wav") ? "RIFF" : "OggS"));
        QVERIFY(piped.bytes == written);
        QStringList expected{"a." + format, "a.txt", "b.txt"};
        expected.sort();
        QCOMPARE(files(), expected);
    }

    // The command line reads no sound server's settings and says nothing of Qt's own,
    // under cron or ssh (no runtime folder) as at a desktop.
    void leavesTheSoundServerAlone()
    {
        QVERIFY(QDir().mkpath(path("home")) && QDir().mkpath(path("tmp")));
        QProcessEnvironment env = environment(true);
        for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_SERVER", "XDG_CONFIG_HOME"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("HOME"), path("home"));
        env.insert(QStringLiteral("TMPDIR"), path("tmp"));
        for (const QStringList& arguments :
             {QStringList{"--version"}, QStringList{"--jobs", "2", "--force", "a.txt"}}) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.setWorkingDirectory(m_dir->path());
            process.start(QStringLiteral(PARLANZA_RENDER_PROGRAM), arguments);
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
        }
        QVERIFY(QFileInfo::exists(path("a.wav")));
        QCOMPARE(
            QDir(path("home")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
        // Qt makes itself a runtime folder there; nothing of a sound server's is made.
        const QStringList made =
            QDir(path("tmp")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QVERIFY2(made.filter(QStringLiteral("pulse")).isEmpty(), qPrintable(made.join(' ')));
    }

    // Sentence cues follow the sentences of a text wrapped by hand, and a document's
    // headings and items; every word spoken has its cue, with every voice; a bullet is no
    // full stop.
    void timingCuesFollowTheWords_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("timings");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("cues");
        QTest::newRow("wrapped by hand")
            << "Mary"
            << "srt"
            << QByteArray("Heading\nThis line is hard\nwrapped in the middle of a sentence. "
                          "And a\nsecond one.\n- item one\n- item two\n\nLast")
            << QStringList{
                   "Heading",           "This line is hard wrapped in the middle of a sentence.",
                   "And a second one.", "- item one",
                   "- item two",        "Last"};
        QTest::newRow("Markdown list")
            << "Mary"
            << "srt" << QByteArray("# Title\n\nSome *text* here.\n\n- item one\n- item two\n")
            << QStringList{"Title", "Some text here.", "\u2022 item one", "\u2022 item two"};
        // espeak-ng marks "was a" and "for a" as one word each.
        for (const char* voice : {"English (America)", "Mary"}) {
            QTest::addRow("short words, %s", voice)
                << voice << "vtt" << QByteArray("It was a good day for a walk.")
                << QStringList{"It", "was", "a", "good", "day", "for", "a", "walk"};
        }
    }

    void timingCuesFollowTheWords()
    {
        QFETCH(QString, voice);
        QFETCH(QString, timings);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, cues);
        const QString document = timings == QLatin1String("srt") && text.startsWith('#')
                                     ? QStringLiteral("t.md")
                                     : QStringLiteral("t.txt");
        QVERIFY(testfiles::write(path(document), text));
        const Run result = run({"--voice", voice, "--timings", timings, document});
        QVERIFY2(result.status == 0, qPrintable(result.err));
        QStringList texts;
        for (const speechtest::Cue& cue : speechtest::readCues(path("t." + timings))) {
            texts << cue.text;
        }
        QCOMPARE(texts, cues);
    }

    void rerunOverAFolderGivesTheSameFiles_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : {"wav", "mp3", "ogg", "opus", "flac"}) {
            QTest::newRow(format) << format;
        }
    }

    void rerunOverAFolderGivesTheSameFiles()
    {
        QFETCH(QString, format);
        QVERIFY(QDir().mkpath(path("re/sub")));
        QVERIFY(testfiles::write(path("re/plain.txt"), "A plain text. It is short."));
        QVERIFY(testfiles::write(path("re/sub/notes.md"), "# Notes\n\nA few notes."));
        const QStringList arguments{"re", "--force", "--timings", "srt", "--format", format};
        const Run first = run(arguments);
        QVERIFY2(first.status == 0, qPrintable(first.err));
        const QMap<QString, QByteArray> written = contents(path("re"));
        QCOMPARE(written.size(), 6);
        const Run second = run(arguments);
        QVERIFY2(second.status == 0, qPrintable(second.err));
        QCOMPARE(second.out.count("written "), 4);
        QVERIFY2(!second.out.contains(QRegularExpression(R"(\.(srt|wav|mp3|flac) ->)")),
                 qPrintable(second.out));
        QVERIFY(second.out.contains("skipped 4 file(s) in re that are sound or timing files"));
        QVERIFY(contents(path("re")) == written);
    }

    // Nothing is ever written over an input, a device, a FIFO or a folder, even with --force.
    void outputsThatAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("output is the input")
            << QStringList{"--force", "--format", "wav", "a.txt", "-o", "a.txt"}
            << "a.txt is an input of this run";
        QTest::newRow("output links to the input")
            << QStringList{"--force", "b.txt", "a.txt", "-o", "links"}
            << "links/b.wav is an input of this run";
        QTest::newRow("timing file links to the input")
            << QStringList{"--force", "--timings", "srt", "b.txt", "-o", "links/x.wav"}
            << "links/x.srt is an input of this run";
        QTest::newRow("FIFO") << QStringList{"--force", "a.txt", "-o", "fifo.wav"}
                              << "fifo.wav is a FIFO; only regular files are written";
        QTest::newRow("device") << QStringList{"--force", "a.txt", "-o", "device.wav"}
                                << "device.wav is a device; only regular files are written";
        QTest::newRow("timing file is a folder")
            << QStringList{"--force", "--timings", "vtt", "a.txt", "-o", "folder.wav"}
            << "folder.vtt is a folder; only regular files are written";
        QTest::newRow("timing file named as input")
            << QStringList{"old.srt", "-o", "out.wav"} << "old.srt: a sound or timing file";
    }

    void outputsThatAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QVERIFY(QDir().mkpath(path("links")) && QDir().mkpath(path("folder.vtt")));
        QVERIFY(QFile::link(path("b.txt"), path("links/b.wav")));
        QVERIFY(QFile::link(path("b.txt"), path("links/x.srt")));
        QVERIFY(::mkfifo(qPrintable(path("fifo.wav")), 0644) == 0);
        // A device of our own (a copy of /dev/null's), should the refusal ever fail.
        const bool device =
            ::mknod(qPrintable(path("device.wav")), S_IFCHR | 0666, makedev(1, 3)) == 0;
        if (!device && QTest::currentDataTag() == QLatin1String("device")) {
            QSKIP("only root makes devices");
        }
        QVERIFY(testfiles::write(path("old.srt"), "1\n00:00:00,000 --> 00:00:01,000\nOld.\n"));
        const Run result = run(arguments);
        QCOMPARE(result.status, 1);
        QVERIFY2(QString(result.out + result.err).contains(message),
                 qPrintable(QString(result.out + result.err)));
        QCOMPARE(testfiles::read(path("a.txt")), QByteArray("First text. It has two sentences."));
        QCOMPARE(testfiles::read(path("b.txt")), QByteArray("Second text, one sentence."));
        struct stat fifo = {};
        QVERIFY(::lstat(qPrintable(path("fifo.wav")), &fifo) == 0 && S_ISFIFO(fifo.st_mode));
        struct stat node = {};
        QVERIFY(!device ||
                (::lstat(qPrintable(path("device.wav")), &node) == 0 && S_ISCHR(node.st_mode)));
        QVERIFY(!QFileInfo::exists(path("out.wav")));
    }

    // GNU parallel over "x.txt x.md -o {.}.mp3", or two runs in the background: exactly one
    // writes the file, the other fails and says which file it could not have.
    void concurrentRendersToOneOutput()
    {
        const QByteArray text = QByteArray("A text that takes a moment to speak. ").repeated(6);
        QVERIFY(testfiles::write(path("x.txt"), text));
        QVERIFY(testfiles::write(path("x.md"), text));
        const auto one = start({"--jobs", "1", "x.txt", "-o", "x.mp3"});
        const auto other = start({"--jobs", "1", "x.md", "-o", "x.mp3"});
        const Run results[] = {finish(*one), finish(*other)};
        QStringList said;
        int written = 0;
        for (const Run& result : results) {
            said << result.out + result.err;
            written += result.out.count("written ");
            QCOMPARE(result.status, result.out.contains("written ") ? 0 : 1);
        }
        QVERIFY2(written == 1, qPrintable(said.join("\n")));
        QVERIFY2(said.join("\n").contains(QRegularExpression(
                     "failed  x\\.(txt|md): x\\.mp3 (is being written by another render|exists)")),
                 qPrintable(said.join("\n")));
        QCOMPARE(files(), (QStringList{"a.txt", "b.txt", "x.md", "x.mp3", "x.txt"}));
    }

    // A file the system refuses to take whole (here beyond the size limit, as on a full
    // disk) is reported by name with the system's reason, and nothing of it is left.
    void fileTheSystemRefuses_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : {"wav", "mp3", "opus"}) {
            QTest::newRow(format) << format;
        }
    }

    void fileTheSystemRefuses()
    {
        QFETCH(QString, format);
        QVERIFY(
            testfiles::write(path("long.txt"),
                             QByteArray("A text long enough to outgrow the limit. ").repeated(30)));
        const Run result = run({"-c", "ulimit -f 16 && exec \"$0\" \"$@\"", PARLANZA_RENDER_PROGRAM,
                                "--timings", "srt", "--format", format, "long.txt"},
                               {}, true, QStringLiteral("/bin/sh"));
        QCOMPARE(result.status, 1);
        const QString line =
            QStringLiteral("failed  long.txt: long.%1 cannot be written: File too large\n")
                .arg(format);
        QVERIFY2(QString(result.out + result.err).contains(line),
                 qPrintable(QString(result.out + result.err)));
        QVERIFY(!result.out.contains("written"));
        QCOMPARE(files(), (QStringList{"a.txt", "b.txt", "long.txt"}));
    }

    // Results on standard output, failures on standard error, and an input that gives
    // nothing is said so.
    void resultsAndFailuresApart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        QTest::newRow("empty folder")
            << QStringList{"empty"} << 0 << QStringList{"skipped empty: the folder holds no files"}
            << QStringList{};
        QTest::newRow("hidden files only")
            << QStringList{"hidden"} << 0
            << QStringList{"skipped hidden: the folder holds no files"} << QStringList{};
        QTest::newRow("links leading nowhere")
            << QStringList{"links"} << 0
            << QStringList{"skipped 3 file(s) in links that are links leading nowhere: "
                           "links/gone, links/loop1, links/loop2",
                           "written links/ok.txt -> links/ok.wav"}
            << QStringList{};
        QTest::newRow("blank and empty alike in a folder")
            << QStringList{"blanks"} << 0
            << QStringList{"skipped blanks/blank.txt: contains no text to speak",
                           "skipped blanks/empty.txt: contains no text to speak",
                           "written blanks/ok.txt -> blanks/ok.wav"}
            << QStringList{};
        QTest::newRow("blank and empty alike, named")
            << QStringList{"blanks/blank.txt", "blanks/empty.txt"} << 1 << QStringList{}
            << QStringList{"failed  blanks/blank.txt: contains no text to speak",
                           "failed  blanks/empty.txt: contains no text to speak"};
        QTest::newRow("failure and result apart")
            << QStringList{"gone.txt", "a.txt"} << 1 << QStringList{"written a.txt -> a.wav"}
            << QStringList{"failed  gone.txt: no such file or folder"};
        QTest::newRow("documents sharing a name")
            << QStringList{"doc.txt", "doc.md", "-o", "out"} << 0
            << QStringList{"written doc.txt -> out/doc.txt.wav", "written doc.md -> out/doc.md.wav"}
            << QStringList{};
        QTest::newRow("folder that cannot be read")
            << QStringList{"locked"} << 1 << QStringList{}
            << QStringList{"failed  locked: the folder cannot be read: Permission denied"};
    }

    void resultsAndFailuresApart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        if (arguments.contains("locked") && ::geteuid() == 0) {
            QSKIP("root reads every folder");
        }
        for (const char* folder : {"empty", "hidden/.deeper", "links", "blanks", "locked"}) {
            QVERIFY(QDir().mkpath(path(folder)));
        }
        QVERIFY(testfiles::write(path("hidden/.x.txt"), "Hidden."));
        QVERIFY(testfiles::write(path("hidden/.deeper/y.txt"), "Hidden too."));
        QVERIFY(testfiles::write(path("links/ok.txt"), "Fine."));
        QVERIFY(QFile::link(path("links/nowhere"), path("links/gone")));
        QVERIFY(QFile::link(path("links/loop2"), path("links/loop1")));
        QVERIFY(QFile::link(path("links/loop1"), path("links/loop2")));
        QVERIFY(testfiles::write(path("blanks/blank.txt"), " \n\t\n"));
        QVERIFY(testfiles::write(path("blanks/empty.txt"), ""));
        QVERIFY(testfiles::write(path("blanks/ok.txt"), "Fine."));
        QVERIFY(testfiles::write(path("doc.txt"), "A text."));
        QVERIFY(testfiles::write(path("doc.md"), "*Marked* text."));
        QVERIFY(QFile::setPermissions(path("locked"), {}));
        const Run result = run(arguments);
        QFile::setPermissions(path("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(result.status, status);
        for (const QString& line : std::as_const(out)) {
            QVERIFY2(result.out.contains(line), qPrintable(result.out));
        }
        for (const QString& line : std::as_const(err)) {
            QVERIFY2(result.err.contains(line), qPrintable(result.err));
        }
        QCOMPARE(result.out.count(QLatin1Char('\n')), out.size());
        QVERIFY2(!result.err.contains("written") && !result.err.contains("skipped"),
                 qPrintable(result.err));
    }

    void gnuParallelGivesTheSameOutputs()
    {
        const QString parallel = QStandardPaths::findExecutable(QStringLiteral("parallel"));
        if (parallel.isEmpty()) {
            QSKIP("GNU parallel is not installed (scripts/packages.txt lists it)");
        }
        QVERIFY(run({"a.txt", "b.txt", "-o", "single"}).status == 0);
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(m_dir->path());
        process.start(parallel, {"--will-cite", QStringLiteral(PARLANZA_RENDER_PROGRAM), "{}", "-o",
                                 "spread/{.}.wav", ":::", "a.txt", "b.txt"});
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitCode(), 0);
        for (const QString& name : {QStringLiteral("a.wav"), QStringLiteral("b.wav")}) {
            const QByteArray single = testfiles::read(path("single/" + name));
            QVERIFY(!single.isEmpty());
            QVERIFY(single == testfiles::read(path("spread/" + name)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_RenderCommand)
#include "tst_RenderCommand.moc"
