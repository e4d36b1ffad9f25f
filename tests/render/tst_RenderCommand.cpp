#include "TestFiles.h"
#include "speech/SpeechTestSupport.h"
#include "speech/SubtitleWriter.h"
#include "speech/VoiceCatalog.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

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

    Run run(const QStringList& arguments, const QByteArray& input = {}, bool shortPieces = true)
    {
        QProcess process;
        process.setProcessEnvironment(environment(shortPieces));
        process.setWorkingDirectory(m_dir->path());
        process.start(QStringLiteral(PARLANZA_RENDER_PROGRAM), arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
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
            << VoiceCatalog::refusalMessage() << none;
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
        QCOMPARE(result.out.contains("skipped 2 file(s) in in that hold no document: "
                                     "in/empty.md, in/picture.txt\n"),
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
        QTest::newRow("flite words") << "Mike" << int(SubtitleWriter::Kind::Words) << 1;
        QTest::newRow("flite sentences, effect")
            << "Mary in Hall" << int(SubtitleWriter::Kind::Sentences) << 1;
        QTest::newRow("espeak-ng words")
            << "English (America)" << int(SubtitleWriter::Kind::Words) << 20;
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
        const auto type = SubtitleWriter::Kind(kind);
        const QString timings = SubtitleWriter::pathFor(path("t.wav"), type);
        QVERIFY(testfiles::write(timings, "older"));
        const Run rendered = run({"--voice", voice, "--jobs", "3", "--force",
                                  QStringLiteral("--timings=%1").arg(timings.right(3)), "t.txt"},
                                 {}, false);
        QVERIFY2(rendered.status == 0, qPrintable(rendered.err));

        speechtest::SilentControl window;
        window.control->setSubtitles(type == SubtitleWriter::Kind::Sentences,
                                     type == SubtitleWriter::Kind::Words);
        QVERIFY(speechtest::render(*window.control, voice, text, path("window.wav"), 120000));
        const QList<speechtest::Cue> expected =
            speechtest::readCues(SubtitleWriter::pathFor(path("window.wav"), type));
        const QList<speechtest::Cue> cues = speechtest::readCues(timings);
        QVERIFY(expected.size() > (type == SubtitleWriter::Kind::Words ? 400 : 30));
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
        QTest::qWait(1500); // well into the long text
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
