// CPU time of the GUI thread while the workbench speaks a long text with the bar
// animation running and the word being heard marked in the editor, read from
// /proc/self/task/<tid>/stat over a stretch of wall time.
//   bench_speaking_cpu [seconds]   default 30; target: <= 5 % of one core
#include "app/Main.h"
#include "editor/RichTextBox.h"
#include "speech/BenchText.h"
#include "speech/DirectSS.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// User plus system time of one thread of this process, in clock ticks.
qint64 threadTicks(pid_t tid)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = stat.readAll();
    // The command name may hold spaces; the fields after it are plain.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return fields.size() > 13 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    const auto tid = static_cast<pid_t>(::syscall(SYS_gettid));
    const double ticksPerSecond = double(::sysconf(_SC_CLK_TCK));

    app::Main main;
    main.Form_Load();
    auto* editor = main.findChild<editor::RichTextBox*>(QStringLiteral("RichTextBox1"));
    // Enough text to speak for far longer than the measurement.
    editor->setText(benchtext::englishText(qsizetype(200) * 1024));
    main.cmdSpkText_Click();

    int frames = 0;
    int words = 0;
    QObject::connect(main.speechControl(), &speech::SpeechControl::WordHeard, &app,
                     [&words, editor] { words += editor->spokenRange() ? 1 : 0; });
    auto* picture = main.findChild<QLabel*>(QStringLiteral("Picture1"));
    QTimer counter;
    QObject::connect(main.findChild<QTimer*>(QStringLiteral("Timer1")), &QTimer::timeout, &counter,
                     [&frames] { ++frames; });

    // A second to settle, then the measured stretch.
    QElapsedTimer clock;
    qint64 startTicks = 0;
    QTimer::singleShot(1000, [&] {
        frames = 0;
        words = 0;
        startTicks = threadTicks(tid);
        clock.start();
        QTimer::singleShot(seconds * 1000, [&] { QCoreApplication::exit(0); });
    });
    QApplication::exec();
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = double(threadTicks(tid) - startTicks) / ticksPerSecond;
    const QString status = main.findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
    std::printf("platform %s, animation %dx%d pixels\n",
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))),
                picture->width(), picture->height());
    std::printf("status at the end: %s (the text was still being spoken: %s)\n", qPrintable(status),
                status == QLatin1String("SPEAKING") ? "yes" : "no");
    std::printf("GUI thread: %.2f s of CPU over %.1f s = %.2f %% of one core (target <= 5 %%)\n",
                cpu, wall, 100.0 * cpu / wall);
    std::printf("animation frames: %d (%.1f per second)\n", frames, frames / wall);
    std::printf("words marked in the editor: %d (%.1f per second)\n", words, words / wall);
    main.cmdStopText_Click();
    return 0;
}
