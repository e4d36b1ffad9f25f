#include "TestFiles.h"
#include "documents/ZipArchive.h"
#include "recording/SubtitleWriter.h"
#include "speech/LexiconFile.h"
#include "speech/SpeechRenderer.h"
#include "speech/SpeechTestSupport.h"
#include "speech/VoiceCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// Two chapters with a word each to find them by, neither in the other's text.
const QByteArray kChapters = "# Morning Walk\n\nWe walk in the park.\n\n# Evening Rest\n\n"
                             "We sleep at night.\n";

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

    // Pieces of a sentence or two unless told otherwise, so that short texts still spread
    // over workers.
    static QProcessEnvironment environment(bool shortPieces = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (shortPieces) {
            env.insert("PARLANZA_RENDER_PIECE_CHARS", "60");
        }
        return env;
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments,
                                    const QProcessEnvironment& env = environment(),
                                    const QString& program = PARLANZA_RENDER_PROGRAM)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
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

    Run run(const QStringList& arguments, const QProcessEnvironment& env = environment(),
            const QString& program = PARLANZA_RENDER_PROGRAM, const QByteArray& input = {})
    {
        const std::unique_ptr<QProcess> process = start(arguments, env, program);
        process->write(input);
        process->closeWriteChannel();
        return finish(*process);
    }

    // Writes each file, making the folders it lies in; false when one could not be.
    bool writeFiles(std::initializer_list<std::pair<QString, QByteArray>> files) const
    {
        return std::all_of(files.begin(), files.end(), [this](const auto& file) {
            return QDir().mkpath(QFileInfo(path(file.first)).path()) &&
                   testfiles::write(path(file.first), file.second);
        });
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

    // Whether a thread of the process waits in poll(), as the reading of standard input
    // does between its reads.
    static bool waitsInPoll(qint64 pid)
    {
        constexpr int PollCall = 7; // x86-64
        QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
        const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return std::any_of(ids.cbegin(), ids.cend(), [&](const QString& id) {
            const QByteArray call = testfiles::read(tasks.filePath(id + "/syscall"));
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
        QVERIFY(writeFiles({{"a.txt", "First text. It has two sentences."},
                            {"b.txt", "Second text, one sentence."}}));
    }

    // What a run says and writes: results on standard output, failures on standard error,
    // each named, with the exit status; nothing is written that should not be: never over an
    // input, a device, a FIFO or a folder, even with --force, nor over an older output without
    // it. A file the system refuses to take whole (here beyond the size limit, as on a full
    // disk) is named with the system's reason and nothing of it is left. Folders are read by
    // content and their other files said to be passed over.
    void runSaysWhatItDidAndWritesNothingElse_data()
    {
        // older=NAME: NAME is there before the run; ulimit: run under a 16 kB file size limit
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("err");     // said on standard error, each failure line
        QTest::addColumn<QStringList>("out");     // said on standard output, each result line
        QTest::addColumn<QStringList>("written"); // the files new afterwards, in order
        const auto row = [](const char* tag, const QStringList& arguments, int status,
                            const QStringList& err, const QStringList& out = {},
                            const QStringList& written = {}) {
            QTest::newRow(tag) << arguments << status << err << out << written;
        };
        const QStringList both{"written a.txt -> a.wav", "written b.txt -> b.wav"};
        row("unknown option", {"--loud", "a.txt"}, 2, {"Unknown option --loud"});
        row("no input", {}, 2, {"No input given"});
        row("speed off the bar", {"--speed", "20", "a.txt"}, 2, {"from 50 to 270"});
        row("tone not a number", {"--tone=high", "a.txt"}, 2, {"from 90 to 300"});
        row("unknown voice", {"--voice", "Nobody", "a.txt"}, 2, {"no voice \"Nobody\""});
        row("refused by the voice", {"--voice", "Female Whisper", "--tone", "250", "a.txt"}, 2,
            {speech::VoiceCatalog::refusalMessage()});
        row("unknown format", {"--format", "aiff", "a.txt"}, 2,
            {"use wav, mp3, ogg, opus, flac, m4b or m4a"});
        row("m4a by its own name", {"--format", "M4A", "a.txt"}, 0, {}, {"written a.txt -> a.m4a"},
            {"a.m4a"});
        row("cover that is no picture", {"--cover", "b.txt", "a.txt"}, 2,
            {"the cover b.txt is not a picture"});
        row("output names no format", {"a.txt", "-o", "a.aiff"}, 2,
            {"which names no sound format"});
        row("stdin without output", {"-"}, 2, {"needs --output"});
        row("missing input, the other done", {"gone.txt", "a.txt", "b.txt"}, 1,
            {"failed  gone.txt: no such file or folder"}, both, {"a.wav", "b.wav"});
        row("unreadable input, the other done", {"/proc/self/mem", "a.txt", "b.txt"}, 1,
            {"failed  /proc/self/mem: "}, both, {"a.wav", "b.wav"});
        row("existing output kept without --force", {"a.txt", "b.txt", "older=a.wav"}, 1,
            {"failed  a.txt: a.wav exists (--force overwrites it)"}, {"written b.txt -> b.wav"},
            {"b.wav"});
        row("existing timing file kept without --force",
            {"--timings", "vtt", "a.txt", "b.txt", "older=a.vtt"}, 1,
            {"failed  a.txt: a.vtt exists (--force overwrites it)"},
            {"written b.txt -> b.wav", "written b.txt -> b.vtt"}, {"b.vtt", "b.wav"});
        row("unknown timings", {"--timings", "ass", "a.txt"}, 2, {"--timings takes srt"});
        row("dry run names the timing file", {"--dry-run", "--timings=SRT", "a.txt"}, 0, {},
            {"would write  a.txt -> a.wav", "would write  a.txt -> a.srt"});
        row("dry run writes nothing", {"--dry-run", "a.txt", "b.txt"}, 0, {},
            {"would write  a.txt -> a.wav", "would write  b.txt -> b.wav"});
        row("help", {"--help"}, 0, {}, {"Usage: parlanza-render"});
        row("version", {"--version"}, 0, {}, {"parlanza-render " PARLANZA_VERSION "\n"});
        row("the window's voices, its own first, then languages", {"--list-voices"}, 0, {},
            {"Mary\nMike\nSam\nMary (for Telephone)\n", "\nGerman\n"});
        // One sound file, or standard output, for what makes several outputs.
        row("one sound file for several inputs", {"a.txt", "b.txt", "-o", "both.mp3"}, 2,
            {"-o both.mp3 names one output, but several inputs make several"});
        row("one sound file for a split", {"a.txt", "--split", "2", "-o", "-"}, 2,
            {"-o - names one output, but --split make several"});
        row("one sound file for a folder", {".", "-o", "all.wav"}, 2,
            {"a folder as input make several"});
        row("format against the extension", {"--format", "mp3", "a.txt", "-o", "f.wav"}, 2,
            {"--format mp3 does not match f.wav"});
        row("timings with standard output", {"--timings", "srt", "a.txt", "-o", "-"}, 2,
            {"with -o - there is none"});
        row("flag with a value", {"--force=yes", "a.txt"}, 2, {"--force takes no value"});
        row("output is the input", {"--force", "--format", "wav", "a.txt", "-o", "a.txt"}, 1,
            {"failed  a.txt: a.txt is an input of this run"});
        row("output links to the input", {"--force", "b.txt", "a.txt", "-o", "links"}, 1,
            {"failed  b.txt: links/b.wav is an input of this run"},
            {"written a.txt -> links/a.wav"}, {"links/a.wav"});
        row("timing file links to the input",
            {"--force", "--timings", "srt", "b.txt", "-o", "links/x.wav"}, 1,
            {"failed  b.txt: links/x.srt is an input of this run"});
        row("FIFO", {"--force", "a.txt", "-o", "fifo.wav"}, 1,
            {"failed  a.txt: fifo.wav is a FIFO; only regular files are written"});
        row("device", {"--force", "a.txt", "-o", "device.wav"}, 1,
            {"failed  a.txt: device.wav is a device; only regular files are written"});
        row("timing file is a folder", {"--force", "--timings", "vtt", "a.txt", "-o", "folder.wav"},
            1, {"failed  a.txt: folder.vtt is a folder; only regular files are written"});
        row("timing file named as input", {"old.srt", "-o", "out.wav"}, 1,
            {"failed  old.srt: a sound or timing file"});
        for (const QString format : {"wav", "mp3", "opus"}) {
            row(qPrintable("system refuses the " + format + " file"),
                {"ulimit", "--timings", "srt", "--format", format, "long.txt"}, 1,
                {"failed  long.txt: long." + format + " cannot be written: File too large\n"});
        }
        row("hidden files only", {"hidden"}, 0, {}, {"skipped hidden: the folder holds no files"});
        row("links leading nowhere", {"links"}, 0, {},
            {"skipped 2 file(s) in links that are sound or timing files: links/b.wav, links/x.srt",
             "skipped 3 file(s) in links that are links leading nowhere: "
             "links/gone, links/loop1, links/loop2",
             "written links/ok.txt -> links/ok.wav"},
            {"links/ok.wav"});
        row("blank and empty alike in a folder", {"blanks"}, 0, {},
            {"skipped blanks/blank.txt: contains no text to speak",
             "skipped blanks/empty.txt: contains no text to speak",
             "written blanks/ok.txt -> blanks/ok.wav"},
            {"blanks/ok.wav"});
        row("blank and empty alike, named", {"blanks/blank.txt", "blanks/empty.txt"}, 1,
            {"failed  blanks/blank.txt: contains no text to speak",
             "failed  blanks/empty.txt: contains no text to speak"});
        row("documents sharing a name", {"doc.txt", "doc.md", "-o", "out"}, 0, {},
            {"written doc.txt -> out/doc.txt.wav", "written doc.md -> out/doc.md.wav"},
            {"out/doc.md.wav", "out/doc.txt.wav"});
        row("folder that cannot be read", {"locked"}, 1,
            {"failed  locked: the folder cannot be read: Permission denied"});
        row("one file, format by extension", {"a.txt", "-o", "out/speech.mp3"}, 0, {},
            {"written a.txt -> out/speech.mp3"}, {"out/speech.mp3"});
        // Documents told by content; a picture, an empty file and hidden ones left out.
        row("folder, recursive, --format", {"in", "--format", "flac", "--output", "out"}, 0, {},
            {"skipped 1 file(s) in in that hold no document: in/picture.txt\n",
             "skipped in/empty.md: contains no text to speak\n", "written in/c.txt -> out/c.flac",
             "written in/deeper/d.md -> out/deeper/d.flac", "written in/notes -> out/notes.flac",
             "written in/report.dat -> out/report.flac"},
            {"out/c.flac", "out/deeper/d.flac", "out/notes.flac", "out/report.flac"});
        // Cut at the chapters, each part is named by its chapter and marks it in a cue sheet;
        // cut by paragraphs, the parts keep the chapters found in them.
        const auto written = [](const QStringList& files) {
            return QStringList(files).replaceInStrings(QRegularExpression("^"),
                                                       "written chapters.txt -> ");
        };
        const QStringList chapterParts{
            "out/chapters-00.wav", "out/chapters-01 Chapter 1.cue", "out/chapters-01 Chapter 1.wav",
            "out/chapters-02 Chapter 2: .Up Down.cue", "out/chapters-02 Chapter 2: .Up Down.wav"};
        row("split by chapters", {"chapters.txt", "--split", "chapters", "-o", "out/"}, 0, {},
            written(chapterParts), chapterParts);
        const QStringList paragraphParts{"out/chapters-001.cue", "out/chapters-001.wav",
                                         "out/chapters-002.cue", "out/chapters-002.wav",
                                         "out/chapters-003.wav"};
        row("split every 2 paragraphs", {"chapters.txt", "--split=2", "-o", "out"}, 0, {},
            written(paragraphParts), paragraphParts);
        row("standard input, voice, speed, tone, force",
            {"-", "--voice", "mike in stadium", "--speed", "200", "--tone", "120", "--force",
             "--jobs", "1", "-o", "out/in.ogg"},
            0, {}, {"written - -> out/in.ogg"}, {"out/in.ogg"});
    }

    void runSaysWhatItDidAndWritesNothingElse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, err);
        QFETCH(QStringList, out);
        QFETCH(QStringList, written);
        if (arguments.contains("locked")) {
            if (::geteuid() == 0) {
                QSKIP("root reads every folder");
            }
            QVERIFY(QDir().mkdir(path("locked")) && QFile::setPermissions(path("locked"), {}));
        }
        QVERIFY(QDir().mkpath(path("links")) && QDir().mkpath(path("folder.vtt")));
        for (const auto& [to, link] : {std::pair("b.txt", "links/b.wav"),
                                       {"b.txt", "links/x.srt"},
                                       {"links/nowhere", "links/gone"},
                                       {"links/loop2", "links/loop1"},
                                       {"links/loop1", "links/loop2"}}) {
            QVERIFY(QFile::link(path(to), path(link)));
        }
        QVERIFY(::mkfifo(qPrintable(path("fifo.wav")), 0644) == 0);
        // A device of our own (a copy of /dev/null's), should the refusal ever fail.
        const bool device =
            ::mknod(qPrintable(path("device.wav")), S_IFCHR | 0666, makedev(1, 3)) == 0;
        if (!device && QTest::currentDataTag() == QLatin1String("device")) {
            QSKIP("only root makes devices");
        }
        QVERIFY(writeFiles(
            {{"old.srt", "1\n00:00:00,000 --> 00:00:01,000\nOld.\n"},
             {"long.txt", QByteArray("A text long enough to outgrow the limit. ").repeated(30)},
             {"hidden/.x.txt", "Hidden."},
             {"hidden/.deeper/y.txt", "Hidden too."},
             {"links/ok.txt", "Fine."},
             {"blanks/blank.txt", " \n\t\n"},
             {"blanks/empty.txt", ""},
             {"blanks/ok.txt", "Fine."},
             {"doc.txt", "A text."},
             {"doc.md", "*Marked* text."},
             {"in/c.txt", "Third."},
             {"in/deeper/d.md", "Fourth."},
             {"in/notes", "No extension."},
             {"in/report.dat", testfiles::read(PARLANZA_DOCUMENT_TEST_DATA "/sample.pdf")},
             {"in/picture.txt", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)},
             {"in/empty.md", ""},
             {"in/.hidden.txt", "Hidden."},
             {"in/.cache/e.txt", "In a hidden folder."},
             {"chapters.txt",
              "Preface words.\n\nChapter 1\n\nOne.\n\nChapter 2: .Up/Down\n\nTwo."}}));
        for (const QString& argument : arguments.filter(QRegularExpression("^older="))) {
            QVERIFY(testfiles::write(path(argument.mid(6)), "older"));
            arguments.removeAll(argument);
        }
        const QMap<QString, QByteArray> kept = contents(m_dir->path());
        // Coverage counters written under the limit would be cut short: they go aside.
        const QTemporaryDir counters;
        QProcessEnvironment limited = environment();
        limited.insert("GCOV_PREFIX", counters.path());
        const Run result =
            arguments.removeAll("ulimit") == 0
                ? run(arguments, environment(), PARLANZA_RENDER_PROGRAM, "From standard input.")
                : run(QStringList{"-c", "ulimit -f 16 && exec \"$0\" \"$@\"",
                                  PARLANZA_RENDER_PROGRAM} +
                          arguments,
                      limited, "/bin/sh");
        QFile::setPermissions(path("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(result.status, status);
        // Each line named in its stream, and no result or failure line that is not.
        static const QRegularExpression said("^(written|skipped|would write|failed) ",
                                             QRegularExpression::MultilineOption);
        for (const auto& [lines, expected] : {std::pair(result.out, out), {result.err, err}}) {
            for (const QString& line : expected) {
                QVERIFY2(lines.contains(line), qPrintable(lines));
            }
            QVERIFY2(lines.count(said) == expected.filter(said).size(), qPrintable(lines));
        }
        // Nothing that was there has changed, nor become another kind of file.
        QMap<QString, QByteArray> now = contents(m_dir->path());
        for (auto file = kept.cbegin(); file != kept.cend(); ++file) {
            QCOMPARE(now.take(file.key()), file.value());
        }
        QCOMPARE(now.keys(), written);
        struct stat node = {};
        QVERIFY(::lstat(qPrintable(path("fifo.wav")), &node) == 0 && S_ISFIFO(node.st_mode));
        QVERIFY(!device ||
                (::lstat(qPrintable(path("device.wav")), &node) == 0 && S_ISCHR(node.st_mode)));
    }

    // A text long enough for the window to cut it into pieces, so that the render spreads
    // the same pieces over its workers. The sound is the same from one worker as from three,
    // after another input as alone; flite gives as much of it as the window, none lost or
    // repeated on the way back from the workers. The timing files match the window's, but
    // espeak-ng's pitch flutter runs on from piece to piece in the window and starts afresh
    // in each worker, which can move its words by a few pitch periods.
    void workersRenderWhatTheWindowDoes_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("toleranceMs");
        QTest::newRow("flite words") << "Mike" << int(recording::SubtitleWriter::Kind::Words) << 1;
        QTest::newRow("flite sentences, effect tail over pieces")
            << "Mary in Hall" << int(recording::SubtitleWriter::Kind::Sentences) << 1;
        QTest::newRow("espeak-ng words")
            << "English (America)" << int(recording::SubtitleWriter::Kind::Words) << 20;
    }

    void workersRenderWhatTheWindowDoes()
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
        const QString option = QStringLiteral("--timings=%1").arg(timings.right(3));
        QVERIFY(testfiles::write(timings, "older"));
        const Run rendered =
            run({"--voice", voice, "--jobs", "3", "--force", option, "t.txt"}, environment(false));
        const Run serial =
            run({"--voice", voice, "--jobs", "1", option, "a.txt", "t.txt", "-o", "serial"},
                environment(false));
        QVERIFY2(rendered.status == 0 && serial.status == 0,
                 qPrintable(QString(rendered.err + serial.err)));
        QVERIFY(testfiles::read(path("t.wav")) == testfiles::read(path("serial/t.wav")));

        speechtest::SilentControl window;
        window.control->setSubtitles(type == recording::SubtitleWriter::Kind::Sentences,
                                     type == recording::SubtitleWriter::Kind::Words);
        QVERIFY(speechtest::render(*window.control, voice, text, path("window.wav"), 120000));
        if (voice != "English (America)") {
            QCOMPARE(speechtest::readSound(path("window.wav")).samples.size(),
                     speechtest::readSound(path("t.wav")).samples.size());
        }
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

    // A signal ends the run at any stage, reading standard input too, with the status a
    // shell gives it; nothing partial is left and older outputs stay as they were.
    void signalsEndTheRunAsTheShellSays_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("whileReading"); // else while rendering
        QTest::newRow("TERM reading standard input") << int(SIGTERM) << true;
        QTest::newRow("Ctrl+C rendering") << int(SIGINT) << false;
        QTest::newRow("HUP rendering") << int(SIGHUP) << false;
    }

    void signalsEndTheRunAsTheShellSays()
    {
        QFETCH(int, signal);
        QFETCH(bool, whileReading);
        QVERIFY(writeFiles(
            {{"long.txt", QByteArray("A long text that takes a while to speak. ").repeated(400)},
             {"long.wav", "older"},
             {"long.srt", "older"}}));
        const std::unique_ptr<QProcess> process =
            start(whileReading ? QStringList{"-", "-o", "in.wav"}
                               : QStringList{"--voice", "Mary", "--force", "--timings", "srt",
                                             "long.txt", "a.txt"});
        QVERIFY(process->waitForStarted());
        if (whileReading) {
            process->write("Some words, and the input stays open.");
            QTRY_VERIFY_WITH_TIMEOUT(waitsInPoll(process->processId()), 30000);
        } else {
            // The render holds its claim on the output, a hidden file beside it.
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(path(".long.wav.parlanza-lock")), 30000);
        }
        ::kill(pid_t(process->processId()), signal);
        QVERIFY(process->waitForFinished(20000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 128 + signal);
        QVERIFY(process->readAllStandardError().contains("interrupted"));
        // The short text is rendered beside the long one and may be done by then; if so,
        // whole and reported.
        QStringList expected{"a.txt", "b.txt", "long.srt", "long.txt", "long.wav"};
        if (process->readAllStandardOutput().contains("written a.txt -> a.wav")) {
            expected =
                QStringList{"a.srt", "a.txt", "a.wav", "b.txt", "long.srt", "long.txt", "long.wav"};
            QVERIFY(speechtest::readCues(path("a.srt")).size() >= 2);
        }
        QCOMPARE(files(), expected);
        QCOMPARE(testfiles::read(path("long.wav")), QByteArray("older"));
        QCOMPARE(testfiles::read(path("long.srt")), QByteArray("older"));
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
        const auto row = [](const char* tag, const char* voice, const char* timings,
                            const char* text, const char* cues) {
            QTest::newRow(tag) << QString(voice) << QString(timings) << QByteArray(text)
                               << QString(cues).split(u'|');
        };
        row("wrapped by hand", "Mary", "srt",
            "Heading\nThis line is hard\nwrapped in the middle of a sentence. And a\nsecond one."
            "\n- item one\n- item two\n\nLast",
            "Heading|This line is hard wrapped in the middle of a sentence.|And a second one.|"
            "- item one|- item two|Last");
        row("Markdown list", "Mary", "srt",
            "# Title\n\nSome *text* here.\n\n- item one\n- item two\n",
            "Title|Some text here.|\u2022 item one|\u2022 item two");
        // espeak-ng marks "was a" and "for a" as one word each.
        for (const char* voice : {"English (America)", "Mary"}) {
            row(voice, voice, "vtt", "It was a good day for a walk.",
                "It|was|a|good|day|for|a|walk");
        }
    }

    void timingCuesFollowTheWords()
    {
        QFETCH(QString, voice);
        QFETCH(QString, timings);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, cues);
        const QString document = text.startsWith('#') ? "t.md" : "t.txt";
        QVERIFY(testfiles::write(path(document), text));
        const Run result = run({"--voice", voice, "--timings", timings, document});
        QVERIFY2(result.status == 0, qPrintable(result.err));
        QStringList texts;
        for (const speechtest::Cue& cue : speechtest::readCues(path("t." + timings))) {
            texts << cue.text;
        }
        QCOMPARE(texts, cues);
    }

    // A read-along book passes the EPUB checker, and each sentence's clip starts when the
    // sentence's cue in the timing file of the same render does; text that XML must escape
    // or cannot hold reads as it was written.
    void readAlongBookReadsAlong()
    {
        QVERIFY(testfiles::write(path("t.txt"), "Tom & Jerry <run>.\nThis line is hard\n"
                                                "wrapped in a sentence.\x01 A third one."));
        Run result = run({"--read-along", "t.txt"});
        QVERIFY2(result.status == 0, qPrintable(result.err));
        result = run({"--timings", "srt", "t.txt"});
        QVERIFY2(result.status == 0, qPrintable(result.err));
        QString complaint = speechtest::epubCheckComplaint(path("t.epub"));
        QVERIFY2(complaint.isEmpty(), qPrintable(complaint));

        const QByteArray book = testfiles::read(path("t.epub"));
        const auto archive = documents::ZipArchive::open(book);
        QVERIFY(archive);
        const QByteArray page = archive.value()->read("EPUB/text/p1.xhtml", 1 << 20).value();
        QVERIFY(page.contains("<span id=\"s1\">Tom &amp; Jerry &lt;run&gt;.</span>"));
        QVERIFY(page.contains("<span id=\"s2\">This line is hard wrapped in a sentence.</span>"));
        const QString overlay =
            QString::fromUtf8(archive.value()->read("EPUB/smil/p1.smil", 1 << 20).value());
        const QString disagreement =
            speechtest::clipsDisagree(overlay, speechtest::readCues(path("t.srt")));
        QVERIFY2(disagreement.isEmpty(), qPrintable(disagreement));

        // A document's chapters are the book's pages.
        QVERIFY(testfiles::write(path("c.md"), kChapters));
        result = run({"--read-along", "c.md"});
        QVERIFY2(result.status == 0, qPrintable(result.err));
        complaint = speechtest::epubCheckComplaint(path("c.epub"));
        QVERIFY2(complaint.isEmpty(), qPrintable(complaint));
        // The archive reads from the bytes: they must outlive it.
        const QByteArray chaptered = testfiles::read(path("c.epub"));
        const auto pages = documents::ZipArchive::open(chaptered);
        QVERIFY(pages &&
                pages.value()->read("EPUB/text/p2.xhtml", 1 << 20).value().contains("Evening"));
        QVERIFY(!pages.value()->read("EPUB/text/p3.xhtml", 1 << 20));
    }

    // A document's chapters are marked where their first words are heard, whatever the
    // format; the title, author and cover given on the command line stand for the
    // document's, and --no-chapters leaves the marks out.
    void chaptersAreMarkedWhereTheyAreHeard_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("chapters");
        QTest::addColumn<QString>("tags"); // title|author
        const QStringList both{"Morning Walk", "Evening Rest"};
        const QStringList book{"--title",    "Long Day", "--author",
                               "Ann Writer", "--cover",  "cover.png"};
        for (const QString format : {"mp3", "m4b"}) {
            QTest::addRow("%s", qPrintable(format)) << QStringList{format} << both << "c|";
            QTest::addRow("%s, given book", qPrintable(format))
                << QStringList{format} + book << both << "Long Day|Ann Writer";
        }
        QTest::newRow("no chapters")
            << QStringList{"mp3", "--no-chapters"} << QStringList() << "c|";
    }

    void chaptersAreMarkedWhereTheyAreHeard()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, chapters);
        QFETCH(QString, tags);
        QImage cover(16, 16, QImage::Format_RGB32);
        cover.fill(Qt::darkGreen);
        QVERIFY(testfiles::write(path("c.md"), kChapters) && cover.save(path("cover.png")));
        const Run result = run(QStringList{"--timings", "vtt", "c.md", "--format"} + arguments);
        QVERIFY2(result.status == 0, qPrintable(result.err));
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-show_chapters", "-show_format", "-show_streams",
                                "-of", "json", path("c." + arguments.first())});
        QVERIFY(probe.waitForFinished(30000));
        const QJsonObject read = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
        QCOMPARE(read["format"]["tags"]["title"].toString() + "|" +
                     read["format"]["tags"]["artist"].toString(),
                 tags);
        const QJsonArray streams = read["streams"].toArray();
        QCOMPARE(std::count_if(streams.begin(), streams.end(),
                               [](const QJsonValue& stream) {
                                   return stream["disposition"]["attached_pic"].toInt() == 1;
                               }),
                 arguments.contains("--cover") ? 1 : 0);
        // Each chapter against the cue of its first word. An MP4 chapter track starts with
        // the file: its first chapter holds the silence before the first word.
        const QList<speechtest::Cue> cues = speechtest::readCues(path("c.vtt"));
        const QJsonArray marks = read["chapters"].toArray();
        QCOMPARE(marks.size(), chapters.size());
        qsizetype cue = 0;
        for (qsizetype i = 0; i < marks.size(); ++i) {
            QCOMPARE(marks[i]["tags"]["title"].toString(), chapters.at(i));
            while (cue < cues.size() && cues.at(cue).text != chapters.at(i).section(u' ', 0, 0)) {
                ++cue;
            }
            QVERIFY(cue < cues.size());
            const qint64 startMs =
                std::llround(marks[i]["start_time"].toString().toDouble() * 1000);
            const qint64 earliest =
                i == 0 && arguments.first() == "m4b" ? 0 : cues.at(cue).startMs - 50;
            QVERIFY2(startMs >= earliest && startMs <= cues.at(cue).startMs + 50,
                     qPrintable(QStringLiteral("%1 at %2 ms, its word at %3 ms")
                                    .arg(chapters.at(i))
                                    .arg(startMs)
                                    .arg(cues.at(cue).startMs)));
        }
    }

    // A render gives the same bytes every time. Outputs are never taken for inputs: a second
    // run over the same folder reads the same documents and writes the same bytes, whatever
    // the first one left there. -o - sends the sound itself to standard output, the bytes a
    // file gets, and the result line goes to standard error. Ogg streams carry a serial
    // number made from their content for this. And the command line reads no sound server's
    // settings and says nothing of Qt's own, under cron or ssh (no runtime folder) as at a
    // desktop.
    void renderIsRepeatableAndLeavesTheSoundServerAlone()
    {
        QVERIFY(QDir().mkpath(path("home")) && QDir().mkpath(path("tmp")));
        QProcessEnvironment bare = environment();
        for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_SERVER", "XDG_CONFIG_HOME"}) {
            bare.remove(name);
        }
        bare.insert("HOME", path("home"));
        bare.insert("TMPDIR", path("tmp"));
        for (const QString format : {"wav", "opus"}) {
            QVERIFY(writeFiles({{format + "/plain.txt", "A plain text. It is short."},
                                {format + "/sub/notes.md", "# Notes\n\nA few notes."}}));
            const QStringList arguments{format, "--force", "--timings", "srt", "--format", format};
            const Run first = run(arguments, bare);
            QVERIFY2(first.status == 0 && first.err.isEmpty(), qPrintable(first.err));
            const QMap<QString, QByteArray> written = contents(path(format));
            // The notes' heading is a chapter: a wave file marks it in a cue sheet.
            const int cues = format == "wav" ? 1 : 0;
            QCOMPARE(written.size(), 6 + cues);
            QVERIFY(written.value("plain." + format).startsWith(format == "wav" ? "RIFF" : "OggS"));
            const Run second = run(arguments, bare);
            QVERIFY2(second.status == 0 && second.err.isEmpty(), qPrintable(second.err));
            QCOMPARE(second.out.count("written "), 4 + cues);
            QVERIFY(second.out.contains(QStringLiteral("skipped %1 file(s) in ").arg(4 + cues) +
                                        format + " that are sound or timing files"));
            QVERIFY(contents(path(format)) == written);

            const Run piped = run({"--format", format, format + "/plain.txt", "-o", "-"}, bare);
            QVERIFY2(piped.err.contains("written " + format + "/plain.txt -> standard output ("),
                     qPrintable(piped.err));
            QVERIFY(piped.bytes == written.value("plain." + format));
        }
        QCOMPARE(files(), (QStringList{"a.txt", "b.txt", "home/", "opus/", "tmp/", "wav/"}));
        QCOMPARE(files(path("home")), QStringList());
        // Qt makes itself a runtime folder there; nothing of a sound server's is made.
        QVERIFY2(files(path("tmp")).filter("pulse").isEmpty(),
                 qPrintable(files(path("tmp")).join(' ')));
    }

    // GNU parallel over "x.txt x.md -o {.}.mp3", or two runs in the background: exactly one
    // writes the file, the other fails and says which file it could not have.
    void concurrentRendersToOneOutput()
    {
        const QByteArray text = QByteArray("A text that takes a moment to speak. ").repeated(6);
        QVERIFY(writeFiles({{"x.txt", text}, {"x.md", text}}));
        const auto one = start({"--jobs", "1", "x.txt", "-o", "x.mp3"});
        const auto other = start({"--jobs", "1", "x.md", "-o", "x.mp3"});
        const Run results[] = {finish(*one), finish(*other)};
        QString said;
        int written = 0;
        for (const Run& result : results) {
            said += result.out + result.err;
            written += result.out.count("written ");
            QCOMPARE(result.status, result.out.contains("written ") ? 0 : 1);
        }
        QVERIFY2(written == 1, qPrintable(said));
        QVERIFY2(said.contains(QRegularExpression(
                     "failed  x\\.(txt|md): x\\.mp3 (is being written by another render|exists)")),
                 qPrintable(said));
        QCOMPARE(files(), (QStringList{"a.txt", "b.txt", "x.md", "x.mp3", "x.txt"}));
    }

    // A lexicon changes the sound as it does in the window, sample for sample: the one
    // named on the command line, else the user's own. A damaged one named is a usage error
    // naming its line; the user's own, damaged, is passed over with one warning.
    void lexiconSaysWhatTheWindowSays_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("userLexicon");
        QTest::addColumn<bool>("respelled"); // else: the window without a lexicon
        QTest::addColumn<bool>("warned");
        const QByteArray lexicon = "written\trespelling\tphonemes\n"
                                   "Nguyen\twin wen\tˈwɪn\n";
        const QByteArray damaged = "Nguyen\twin\n\tno written form\n";
        QTest::newRow("flite, named")
            << "Mary" << QStringList{"--lexicon", "lexicon.tsv"} << damaged << true << false;
        QTest::newRow("espeak-ng phonemes, the user's")
            << "English (America)" << QStringList{} << lexicon << true << false;
        QTest::newRow("--no-lexicon")
            << "Mary" << QStringList{"--no-lexicon"} << lexicon << false << false;
        QTest::newRow("the user's, damaged") << "Mary" << QStringList{} << damaged << false << true;
    }

    void lexiconSaysWhatTheWindowSays()
    {
        QFETCH(QString, voice);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, userLexicon);
        QFETCH(bool, respelled);
        QFETCH(bool, warned);
        const QByteArray lexicon = "Nguyen\twin wen\tˈwɪn\n";
        QVERIFY(writeFiles({{"lexicon.tsv", lexicon},
                            {"config/parlanza/lexicon.pls", userLexicon},
                            {"n.txt", "I met Nguyen today. Nguyen smiled."}}));
        QProcessEnvironment env = environment(false); // pieces as the window cuts them
        env.insert("XDG_CONFIG_HOME", path("config"));
        const Run rendered =
            run(QStringList{"--voice", voice} + options + QStringList{"n.txt"}, env);
        QCOMPARE(rendered.status, 0);
        QCOMPARE(rendered.err.count("warning"), warned ? 1 : 0);

        // The window's recording, through a render worker as the command's is: espeak-ng
        // starts each afresh there.
        speech::SpeechRenderer::setWorkerProgram(PARLANZA_RENDER_PROGRAM);
        speechtest::SilentControl window;
        if (respelled) {
            window.control->setLexicon(speech::Lexicon(
                speech::lexicon_file::read(lexicon, speech::lexicon_file::Format::TabSeparated)
                    .value()
                    .entries));
        }
        QVERIFY(speechtest::render(*window.control, voice, "I met Nguyen today. Nguyen smiled.",
                                   path("window.wav")));
        speech::SpeechRenderer::setWorkerProgram(QString());
        QVERIFY(speechtest::readSound(path("n.wav")).samples ==
                speechtest::readSound(path("window.wav")).samples);

        const QByteArray damaged = lexicon + "\tno written form\n";
        QVERIFY(testfiles::write(path("lexicon.tsv"), damaged));
        const Run refused = run({"--lexicon", "lexicon.tsv", "--force", "n.txt"}, env);
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains("lexicon.tsv") && refused.err.contains("line 2"),
                 qPrintable(refused.err));
        QCOMPARE(testfiles::read(path("lexicon.tsv")), damaged);
    }
};

QTEST_GUILESS_MAIN(tst_RenderCommand)
#include "tst_RenderCommand.moc"
