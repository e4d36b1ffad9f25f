// Speech through the default sound device (run with a sound server, e.g. the test
// server of scripts/test-services.sh): how soon the played position moves after a speak
// call, how exactly a pause holds it and a resume carries it on, and the GUI thread's CPU
// while speaking.
//   bench_device [runs]   default 5
#include "BenchText.h"
#include "audio/AudioOutput.h"
#include "speech/DirectSS.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {

using benchtext::maximum;
using benchtext::median;

double threadCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) /
           1000;
}

// Lets the event loop run for the time, noting the played position's range meanwhile.
std::pair<qint64, qint64> watch(const audio::AudioOutput& output, int ms)
{
    qint64 low = output.playedPosition();
    qint64 high = low;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QTest::qSleep(1);
        const qint64 position = output.playedPosition();
        low = std::min(low, position);
        high = std::max(high, position);
    }
    return {low, high};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    speech::DirectSS control;
    if (!control.output()->isDevice()) {
        std::printf("no sound device: nothing measured\n");
        return 0;
    }
    for (int i = 1; i <= control.voiceCount(); ++i) {
        if (control.voiceName(i) == QLatin1String("English (America)")) {
            control.selectVoice(i);
        }
    }
    const QString text = benchtext::englishText(4096);
    const audio::AudioOutput& output = *control.output();
    QList<double> first, drift, resumeError, cpu;
    for (int run = 0; run < runs; ++run) {
        const qint64 before = output.playedPosition();
        QElapsedTimer timer;
        timer.start();
        control.speak(text);
        while (output.playedPosition() == before && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        first.append(double(timer.nsecsElapsed()) / 1e6);

        const double cpuBefore = threadCpuMs();
        QElapsedTimer playing;
        playing.start();
        watch(output, 1500);
        cpu.append(100 * (threadCpuMs() - cpuBefore) / double(playing.elapsed()));

        control.pause();
        watch(output, 150); // the device takes a moment to stop
        const auto [low, high] = watch(output, 500);
        drift.append(double(high - low));
        control.resume();
        QElapsedTimer resumed;
        resumed.start();
        const qint64 held = high;
        watch(output, 400);
        // Played since the resume against the time passed, less the device's start-up:
        // samples skipped or played twice show as a difference.
        const double expected =
            double(resumed.nsecsElapsed()) / 1e9 * audio::AudioOutput::SampleRate;
        resumeError.append(double(output.playedPosition() - held) - expected);
        control.stop();
        QDeadlineTimer idle(5000);
        while (!control.isIdle() && !idle.hasExpired()) {
            QTest::qWait(5);
        }
    }
    std::printf("first played sample after speak: median %.1f ms, max %.1f ms\n", median(first),
                maximum(first));
    std::printf("while paused the played position moved: max %.0f samples\n", maximum(drift));
    std::printf("400 ms after resume: played minus elapsed, median %+.0f samples (%.1f ms)\n",
                median(resumeError), median(resumeError) * 1000 / audio::AudioOutput::SampleRate);
    std::printf("GUI thread while speaking: median %.2f %% of one core\n", median(cpu));
    std::printf("load average: %s\n", benchtext::loadAverage().constData());
    return 0;
}
