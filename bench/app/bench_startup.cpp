// Start-up time: from process start until the main window is shown on screen (no start
// sound in this program's folder), against a minimal Qt Widgets program that shows one
// window. Runs of the two alternate so that a busy machine slows both alike.
//   bench_startup [runs]        prints the medians and their ratio (target: <= 2)
// Run it on an X server (xvfb-run -a) for a real window system; offscreen works too.
#include "app/Main.h"
#include "app/Start.h"
#include "app/StartUpWarmUp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace {

// Exits as soon as the window is exposed; the parent times the whole process up to here.
int waitUntilShown(QWidget* window)
{
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [window] {
        if (window->windowHandle() && window->windowHandle()->isExposed()) {
            std::printf("shown\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
    });
    poll.start();
    return QApplication::exec();
}

int child(int argc, char** argv, bool minimal, const QString& lockFolder)
{
    if (minimal) {
        QApplication app(argc, argv);
        QWidget window;
        window.resize(780, 560);
        window.show();
        return waitUntilShown(&window);
    }
    // As the program's own main() does.
    app::StartUpWarmUp warmUp;
    QApplication app(argc, argv);
    app::Start start(QDir(lockFolder).filePath(QStringLiteral("bench.lock")));
    if (!start.Form_Load()) {
        return 1;
    }
    return waitUntilShown(start.mainWindow());
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

double timeOne(const QString& program, const QString& kind, const QString& lockFolder)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Settings and draft go to the bench's folder: the user's own stay out of it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"),
               QDir(lockFolder).filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"),
               QDir(lockFolder).filePath(QStringLiteral("state")));
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--child"), kind, lockFolder});
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(5);
        if (process.readAllStandardOutput().contains("shown")) {
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            process.waitForFinished(10000);
            return ms;
        }
    }
    return -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0) {
        const bool minimal = qstrcmp(argv[2], "minimal") == 0;
        return child(argc, argv, minimal, QString::fromLocal8Bit(argv[3]));
    }
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
        std::fprintf(stderr, "usage: bench_startup [runs]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const QString self = QCoreApplication::applicationFilePath();
    const QString startSound =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("audio/start.wav"));
    if (QFile::exists(startSound)) {
        std::printf("note: %s exists; the program will play it\n", qPrintable(startSound));
    }
    QTemporaryDir locks;
    QList<double> parlanza;
    QList<double> minimal;
    // One unmeasured run each warms the file cache.
    timeOne(self, QStringLiteral("minimal"), locks.path());
    timeOne(self, QStringLiteral("parlanza"), locks.path());
    for (int i = 0; i < runs; ++i) {
        minimal << timeOne(self, QStringLiteral("minimal"), locks.path());
        parlanza << timeOne(self, QStringLiteral("parlanza"), locks.path());
    }
    if (parlanza.contains(-1.0) || minimal.contains(-1.0)) {
        std::printf("a run did not show its window\n");
        return 1;
    }
    const double p = median(parlanza);
    const double m = median(minimal);
    std::printf("platform %s, %d runs each\n",
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))),
                runs);
    std::printf("minimal Qt Widgets window: median %.1f ms (min %.1f, max %.1f)\n", m,
                *std::min_element(minimal.begin(), minimal.end()),
                *std::max_element(minimal.begin(), minimal.end()));
    std::printf("Parlanza main window:      median %.1f ms (min %.1f, max %.1f)\n", p,
                *std::min_element(parlanza.begin(), parlanza.end()),
                *std::max_element(parlanza.begin(), parlanza.end()));
    std::printf("ratio %.2f (target <= 2)\n", p / m);
    return 0;
}
