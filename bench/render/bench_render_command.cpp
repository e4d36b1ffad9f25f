// parlanza-render against the engines' own command lines on the same text and voice, in
// alternating runs (medians of wall time): 100 KB to WAV against `espeak-ng -w`, a folder
// of ten texts against a shell loop of it, "Mary" serial and parallel against
// `flite -voice slt`, each compressed format against WAV of the same 100 KB with an
// espeak-ng voice and with "Mary" (the encoding's share, with the CPU seconds of both), and
// the window's RECORD of 1 MB through the renderer's workers against the same control
// rendering in its own process (as it did before the renderer). Peak memory is the largest
// process's; it is also compared between books of 100 KB and 1 MB.
#include "BenchText.h"
#include "audio/SilentAudioOutput.h"
#include "speech/DirectSS.h"
#include "speech/SpeechRenderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using benchtext::median;

struct Measure
{
    double seconds = 0;
    long peakKb = 0;
    double cpuSeconds = 0;
};

Measure spawn(const QStringList& command)
{
    QList<QByteArray> storage;
    for (const QString& part : command) {
        storage.append(part.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& part : storage) {
        argv.push_back(part.data());
    }
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    // The result lines would interleave with the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (failed != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(command.join(' ')));
        std::exit(1);
    }
    const auto cpu = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss, cpu(usage.ru_utime) + cpu(usage.ru_stime)};
}

// Runs ours and the peer alternately; prints both medians and their ratio.
// With `cores`, also how far ours is from its floor: its CPU time spread over every core.
void compare(const char* what, int runs, const std::function<Measure()>& ours,
             const std::function<Measure()>& peer, double target, int cores = 0)
{
    QList<double> oursTimes, peerTimes, oursCpu, peerCpu;
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
        const Measure a = ours();
        oursTimes.append(a.seconds);
        oursCpu.append(a.cpuSeconds);
        peak = std::max(peak, a.peakKb);
        const Measure b = peer();
        peerTimes.append(b.seconds);
        peerCpu.append(b.cpuSeconds);
    }
    const double ratio = median(oursTimes) / median(peerTimes);
    const QByteArray goal =
        target > 0 ? QStringLiteral(" (target <= %1)").arg(target, 0, 'f', 2).toUtf8() : "";
    std::printf("%-46s ours %7.2f s  peer %7.2f s  ratio %.2f%s  peak %ld KB  CPU %.2f s / "
                "%.2f s\n",
                what, median(oursTimes), median(peerTimes), ratio, goal.constData(), peak,
                median(oursCpu), median(peerCpu));
    if (cores > 0) {
        const double floor = median(oursCpu) / cores;
        std::printf("%-46s floor %.2f s  wall/floor %.2f (target <= 1.15)\n", "", floor,
                    median(oursTimes) / floor);
    }
    std::fflush(stdout);
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

// Whether the renderer lists a voice of that name.
bool voiceListed(const QString& program, const QString& name)
{
    QProcess list;
    list.start(program, {"--list-voices"});
    list.waitForFinished(60000);
    const QStringList lines = QString::fromUtf8(list.readAllStandardOutput()).split('\n');
    return std::any_of(lines.cbegin(), lines.cend(),
                       [&name](const QString& line) { return line.trimmed() == name; });
}

double recordThroughWindow(speech::DirectSS& control, const QString& text, const QString& path)
{
    QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
    QElapsedTimer timer;
    timer.start();
    control.setOutputFile(path);
    control.speak(text);
    while (stopped.count() == 0) {
        stopped.wait(60000);
    }
    control.setOutputFile(QString());
    return timer.nsecsElapsed() / 1e9;
}

// The renderer against the engines' own command lines.
void compareWithEngines(const QString& ours, const QString& text100, const QString& espeakVoice,
                        int runs, const QTemporaryDir& dir)
{
    const auto file = [&dir](const QString& name) { return dir.filePath(name); };
    compare(
        "100 KB to WAV vs espeak-ng -w", runs,
        [&] {
            return spawn(
                {ours, "--force", "--voice", espeakVoice, text100, "-o", file("ours.wav")});
        },
        [&] {
            return spawn({"espeak-ng", "-v", "en-us", "-f", text100, "-w", file("e.wav")});
        },
        0.6);

    QDir().mkpath(file("folder"));
    QString loop = QStringLiteral("for f in %1/*.txt; do espeak-ng -v en-us -f \"$f\" -w "
                                  "\"${f%.txt}.peer.wav\"; done")
                       .arg(file("folder"));
    for (int i = 0; i < 10; ++i) {
        writeText(file("folder/t%1.txt").arg(i),
                  benchtext::englishText(qsizetype(10) * 1024).mid(qsizetype(i) * 7));
    }
    compare(
        "folder of 10 texts vs shell loop of espeak-ng", runs,
        [&] {
            return spawn(
                {ours, "--force", "--voice", espeakVoice, file("folder"), "-o", file("out")});
        },
        [&] {
            return spawn({"sh", "-c", loop});
        },
        0.6);

    const QString text20 = file("20k.txt");
    writeText(text20, benchtext::englishText(qsizetype(20) * 1024));
    const auto flite = [&] {
        return spawn({"flite", "-voice", "slt", "-f", text20, "-o", file("f.wav")});
    };
    // Ours differs from the peer only by a few per cent here, less than the host's noise
    // between two runs: more pairs for a steadier median.
    compare(
        "Mary 20 KB, --jobs 1 vs flite -voice slt", std::max(runs, 5),
        [&] {
            return spawn(
                {ours, "--force", "--jobs", "1", "--voice", "Mary", text20, "-o", file("m1.wav")});
        },
        flite, 1.05);
    compare(
        "Mary 20 KB, all cores vs flite -voice slt", runs,
        [&] {
            return spawn({ours, "--force", "--voice", "Mary", text20, "-o", file("m2.wav")});
        },
        flite, 0.6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    // "formats" as the second argument measures only the encodings.
    const bool formatsOnly = argc > 2 && qstrcmp(argv[2], "formats") == 0;
    // Another build of the renderer can be measured with the same figures.
    const QString ours =
        qEnvironmentVariable("PARLANZA_RENDER_PROGRAM", QStringLiteral(PARLANZA_RENDER_PROGRAM));
    const QString jobs = QString::number(std::max(1U, std::thread::hardware_concurrency()));
    QTemporaryDir dir;
    const auto file = [&dir](const QString& name) { return dir.filePath(name); };
    std::printf("load average: %s; %s cores\n", benchtext::loadAverage().constData(),
                qPrintable(jobs));

    const QString text100 = file("100k.txt");
    writeText(text100, benchtext::englishText(qsizetype(100) * 1024));
    const QString espeakVoice = QStringLiteral("English (America)");
    if (!formatsOnly) {
        compareWithEngines(ours, text100, espeakVoice, runs, dir);
    }
    // Every compressed format against WAV of the same text in the same run: what the
    // encoding adds to the wall time, for a fast voice and for a slow one. Synthesis and
    // encoding share the cores, so with every core busy the render ideally takes
    // (synthesis CPU + encoding CPU) / cores.
    const QString slowVoice =
        voiceListed(ours, QStringLiteral("Mary")) ? QStringLiteral("Mary") : QStringLiteral("Mike");
    const int slowRuns = qEnvironmentVariableIsSet("RENDER_SLOW_RUNS")
                             ? std::max(1, qEnvironmentVariableIntValue("RENDER_SLOW_RUNS"))
                             : runs;
    for (const QString& voice : {espeakVoice, slowVoice}) {
        const bool slow = voice == slowVoice;
        for (const QString& format :
             qEnvironmentVariable("RENDER_FORMATS", QStringLiteral("mp3 opus m4b ogg flac"))
                 .split(' ', Qt::SkipEmptyParts)) {
            const QString output = file(QStringLiteral("encoded.") + format);
            const QByteArray what =
                QStringLiteral("%1 100 KB to %2 vs to WAV").arg(voice, format).toUtf8();
            const bool targeted =
                format == "mp3" || format == "opus" || format == "m4b" || format == "ogg";
            compare(
                what.constData(), slow ? slowRuns : runs,
                [&] {
                    return spawn({ours, "--force", "--voice", voice, text100, "-o", output});
                },
                [&] {
                    return spawn(
                        {ours, "--force", "--voice", voice, text100, "-o", file("plain.wav")});
                },
                targeted ? (slow ? 1.2 : 3.0) : 0, jobs.toInt());
        }
    }
    // Blocks are encoded a few at a time: a book ten times longer needs no more memory.
    const QString text1000 = file("1m.txt");
    writeText(text1000, benchtext::englishText(qsizetype(1024) * 1024));
    for (const QString& format :
         {QStringLiteral("mp3"), QStringLiteral("m4b"), QStringLiteral("ogg")}) {
        const QString output = file(QStringLiteral("long.") + format);
        const Measure shortBook =
            spawn({ours, "--force", "--voice", espeakVoice, text100, "-o", output});
        const Measure longBook =
            spawn({ours, "--force", "--voice", espeakVoice, text1000, "-o", output});
        std::printf("%-46s 100 KB %ld KB  1 MB %ld KB  ratio %.2f\n",
                    qPrintable(QStringLiteral("peak memory, %1").arg(format)), shortBook.peakKb,
                    longBook.peakKb, double(longBook.peakKb) / double(shortBook.peakKb));
        std::fflush(stdout);
    }

    if (formatsOnly) {
        return 0;
    }
    // The window's RECORD: the same control with and without the renderer's workers.
    speech::DirectSS control(std::make_unique<audio::SilentAudioOutput>());
    for (int i = 0; i < control.voices().size(); ++i) {
        if (control.voices().at(i).name == espeakVoice) {
            control.selectVoice(i + 1);
        }
    }
    const QString megabyte = benchtext::englishText(qsizetype(1024) * 1024);
    const int recordRuns = std::max(1, runs / 2);
    compare(
        "window RECORD of 1 MB vs in one process", recordRuns,
        [&] {
            speech::SpeechRenderer::setWorkerProgram(ours);
            return Measure{recordThroughWindow(control, megabyte, file("w.wav")),
                           benchtext::statusKb("VmHWM:")};
        },
        [&] {
            speech::SpeechRenderer::setWorkerProgram(QString());
            return Measure{recordThroughWindow(control, megabyte, file("w.wav")), 0};
        },
        0.6);
    return 0;
}
