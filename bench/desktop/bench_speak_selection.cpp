// From "parlanza --speak-selection" started in a fresh process to the first sample of speech
// at the sound server (the test sink's monitor, recorded with parec), with Parlanza already
// running and when the command must start it; medians of the runs.
//   bench_speak_selection [runs]      (targets: <= 300 ms running, <= 1.5 s starting)
// Needs an X server, a session bus and the test sound server: run it through run.sh.
// The program runs from a folder of its own; "starting" is timed without the start sound
// (as bench_startup is) and, as installed, with it.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

constexpr int kRate = 16000;
constexpr int kLoud = 300; // of 32767: above the null sink's silence

QTemporaryDir folder;

QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", folder.path());
    env.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    env.insert("XDG_STATE_HOME", folder.filePath("state"));
    return env;
}

// The sink's monitor as it plays, with the time each sample arrived.
class Monitor
{
public:
    Monitor()
    {
        m_parec.start("parec",
                      {"-d", "test_sink.monitor", "--raw", "--format=s16le", "--channels=1",
                       "--rate=" + QString::number(kRate), "--latency-msec=5"});
        m_parec.waitForStarted(5000);
        m_clock.start();
    }
    ~Monitor()
    {
        m_parec.kill();
        m_parec.waitForFinished(5000);
    }
    // Milliseconds on the clock of the first loud sample arriving; -1 when none within the
    // time given.
    qint64 firstLoud(qint64 withinMs)
    {
        const qint64 end = m_clock.elapsed() + withinMs;
        while (m_clock.elapsed() < end) {
            m_parec.waitForReadyRead(20);
            const qint64 now = m_clock.elapsed();
            const QByteArray raw = m_parec.readAll();
            const std::span samples(reinterpret_cast<const qint16*>(raw.constData()),
                                    raw.size() / 2);
            const auto loud = std::find_if(samples.begin(), samples.end(),
                                           [](qint16 s) { return std::abs(int(s)) > kLoud; });
            if (loud != samples.end()) {
                return now - (samples.end() - loud) * 1000 / kRate;
            }
        }
        return -1;
    }
    // Waits for a quarter of a second of silence.
    void waitForSilence()
    {
        while (firstLoud(250) >= 0) {
        }
    }
    qint64 now() const { return m_clock.elapsed(); }

private:
    QProcess m_parec;
    QElapsedTimer m_clock;
};

int runToEnd(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(20000);
    return process.exitCode();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// A copy of the program in a folder of its own, with or without the start sound.
QString programCopy(const QString& name, bool startSound)
{
    const QString dir = folder.filePath(name);
    QDir().mkpath(dir + "/audio");
    QFile::copy(QStringLiteral(PARLANZA_EXECUTABLE), dir + "/parlanza");
    if (startSound) {
        QFile::copy(
            QFileInfo(QStringLiteral(PARLANZA_EXECUTABLE)).dir().filePath("audio/start.wav"),
            dir + "/audio/start.wav");
    }
    return dir + "/parlanza";
}

void report(const char* what, const QList<double>& times, double target)
{
    std::printf("%-34s median %7.1f ms  (min %.1f, max %.1f, %lld runs)  target <= %.0f ms\n", what,
                median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), qlonglong(times.size()), target);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString quiet = programCopy("quiet", false);
    const QString installed = programCopy("installed", true);
    if (runToEnd("xclip", {"-selection", "primary"}, "Hello. This sentence is spoken.") != 0) {
        std::fprintf(stderr, "xclip (package xclip) is needed.\n");
        return 1;
    }
    Monitor monitor;
    const auto started = [&](const QString& program) {
        QList<double> times;
        for (int i = 0; i < runs; ++i) {
            monitor.waitForSilence();
            QProcess copy;
            copy.setProcessEnvironment(environment());
            const qint64 t0 = monitor.now();
            copy.start(program, {"--speak-selection"});
            const qint64 heard = monitor.firstLoud(15000);
            if (heard >= 0) {
                times << double(heard - t0);
            }
            copy.terminate();
            copy.waitForFinished(10000);
        }
        return times;
    };
    const QList<double> cold = started(quiet);
    const QList<double> coldInstalled = started(installed);

    // One copy runs (its start sound over) and each command is handed to it.
    QProcess running;
    running.setProcessEnvironment(environment());
    running.start(quiet, {});
    running.waitForStarted(10000);
    QList<double> warm;
    for (int i = 0; i < runs + 1; ++i) {
        monitor.waitForSilence();
        const qint64 t0 = monitor.now();
        QProcess command;
        command.setProcessEnvironment(environment());
        command.start(quiet, {"--speak-selection"});
        const qint64 heard = monitor.firstLoud(15000);
        command.waitForFinished(10000);
        if (heard >= 0 && i > 0) { // the first waits for the window to come up
            warm << double(heard - t0);
        }
        runToEnd(quiet, {"--stop"});
    }
    running.terminate();
    running.waitForFinished(10000);
    if (warm.isEmpty() || cold.isEmpty() || coldInstalled.isEmpty()) {
        std::fprintf(stderr, "No speech reached the sound server.\n");
        return 1;
    }
    report("running copy", warm, 300);
    report("starting a copy (no start sound)", cold, 1500);
    report("starting, first sound (start sound)", coldInstalled, 1500);
    return 0;
}
