// Renders a 100 KB English text into a wave file through the speech control, against
// espeak-ng's own command line on the same text and voice, in alternating runs; prints
// wall and CPU time of each and their ratio, and the peak memory of the rendering.
#include "BenchText.h"
#include "audio/SilentAudioOutput.h"
#include "speech/DirectSS.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

using benchtext::median;

struct Run
{
    double wall = 0;
    double cpu = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString voiceName = QStringLiteral("English (America)");
    QTemporaryDir dir;
    const QString textPath = dir.filePath(QStringLiteral("text.txt"));
    const QString text = benchtext::englishText(qsizetype(100) * 1024);
    {
        QFile file(textPath);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(textPath));
            return 1;
        }
        file.write(text.toUtf8());
    }

    speech::DirectSS control(std::make_unique<audio::SilentAudioOutput>());
    int number = 0;
    QByteArray identifier;
    for (int i = 0; i < control.voices().size(); ++i) {
        if (control.voices().at(i).name == voiceName) {
            number = i + 1;
            identifier = control.voices().at(i).engineVoice;
        }
    }
    if (number == 0) {
        std::fprintf(stderr, "no voice \"%s\"\n", qPrintable(voiceName));
        return 1;
    }
    // Its own speed and tone: espeak-ng's defaults, 175 words a minute and pitch 50.
    control.selectVoice(number);
    control.setSpeed(150);
    control.setPitch(150);
    const qint64 idleKb = benchtext::statusKb("VmRSS:");

    QList<double> oursWall, oursCpu, peerWall, peerCpu;
    qint64 peakKb = 0;
    qint64 oursBytes = 0;
    qint64 peerBytes = 0;
    for (int run = 0; run < runs; ++run) {
        const QString ours = dir.filePath(QStringLiteral("ours.wav"));
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        QElapsedTimer wall;
        double cpu = benchtext::cpuSeconds(RUSAGE_SELF);
        wall.start();
        control.setOutputFile(ours);
        control.speak(text);
        if (!stopped.wait(600000)) {
            std::fprintf(stderr, "rendering did not finish\n");
            return 1;
        }
        oursWall.append(double(wall.nsecsElapsed()) / 1e9);
        oursCpu.append(benchtext::cpuSeconds(RUSAGE_SELF) - cpu);
        control.setOutputFile(QString());
        peakKb = benchtext::statusKb("VmHWM:");
        oursBytes = QFileInfo(ours).size();

        const QString peer = dir.filePath(QStringLiteral("peer.wav"));
        cpu = benchtext::cpuSeconds(RUSAGE_CHILDREN);
        wall.restart();
        QProcess espeak;
        espeak.start(QStringLiteral("espeak-ng"),
                     {QStringLiteral("-v"), QString::fromUtf8(identifier), QStringLiteral("-w"),
                      peer, QStringLiteral("-f"), textPath});
        if (!espeak.waitForFinished(600000) || espeak.exitCode() != 0) {
            std::fprintf(stderr, "espeak-ng failed: %s\n",
                         espeak.readAllStandardError().constData());
            return 1;
        }
        peerWall.append(double(wall.nsecsElapsed()) / 1e9);
        peerCpu.append(benchtext::cpuSeconds(RUSAGE_CHILDREN) - cpu);
        peerBytes = QFileInfo(peer).size();
        std::printf(
            "run %d: Parlanza %.3f s wall %.3f s CPU | espeak-ng -w %.3f s wall %.3f s CPU\n",
            run + 1, oursWall.last(), oursCpu.last(), peerWall.last(), peerCpu.last());
    }
    const double wallRatio = median(oursWall) / median(peerWall);
    const double cpuRatio = median(oursCpu) / median(peerCpu);
    std::printf("text: %lld bytes, voice \"%s\" (%s); files: %lld and %lld bytes\n",
                static_cast<long long>(text.toUtf8().size()), qPrintable(voiceName),
                identifier.constData(), static_cast<long long>(oursBytes),
                static_cast<long long>(peerBytes));
    std::printf("median wall: Parlanza %.3f s, espeak-ng %.3f s, ratio %.3f (target <= 1.05)\n",
                median(oursWall), median(peerWall), wallRatio);
    std::printf("median CPU:  Parlanza %.3f s, espeak-ng %.3f s, ratio %.3f\n", median(oursCpu),
                median(peerCpu), cpuRatio);
    std::printf("memory: idle %lld KB resident, peak while rendering %lld KB, %+.1f MB "
                "(target <= 64 MB)\n",
                static_cast<long long>(idleKb), static_cast<long long>(peakKb),
                double(peakKb - idleKb) / 1024.0);
    std::printf("load average: %s\n", benchtext::loadAverage().constData());
    return 0;
}
