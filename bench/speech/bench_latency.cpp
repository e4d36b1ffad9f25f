// Time from the speak call to the first sample handed to the audio output, for a 1 KB
// and a 10 MB text, with an espeak-ng voice and with "Mary"; and how long the speak call
// itself takes.
#include "BenchText.h"
#include "FirstSample.h"
#include "audio/SilentAudioOutput.h"
#include "speech/DirectSS.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>

using benchtext::maximum;
using benchtext::median;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    speech::DirectSS control(std::make_unique<audio::SilentAudioOutput>());
    const QList<QPair<QString, double>> voices = {{QStringLiteral("English (America)"), 20},
                                                  {QStringLiteral("Mary"), 60}};
    const QList<QPair<QString, qsizetype>> sizes = {{QStringLiteral("1 KB"), 1024},
                                                    {QStringLiteral("10 MB"), 10 * 1024 * 1024}};
    bool allMet = true;
    for (const auto& size : sizes) {
        const QString text = benchtext::englishText(size.second);
        for (const auto& voice : voices) {
            int number = 0;
            for (int i = 0; i < control.voices().size(); ++i) {
                if (control.voices().at(i).name == voice.first) {
                    number = i + 1;
                }
            }
            control.selectVoice(number);
            control.setSpeed(150);
            control.setPitch(170);
            QList<double> call;
            QList<double> first;
            for (int run = 0; run < runs; ++run) {
                const benchtext::SpeakTiming timing = benchtext::timeSpeaking(control, text);
                call.append(timing.callMs);
                first.append(timing.firstSampleMs);
            }
            const bool met = maximum(first) <= voice.second && maximum(call) < 5;
            allMet = allMet && met;
            std::printf("%-6s %-18s first sample: median %6.2f ms, max %6.2f ms (target <= %.0f) | "
                        "speak call: median %.3f ms, max %.3f ms (target < 5)%s\n",
                        qPrintable(size.first), qPrintable(voice.first), median(first),
                        maximum(first), voice.second, median(call), maximum(call),
                        met ? "" : "  NOT MET");
        }
    }
    std::printf("load average: %s\n", benchtext::loadAverage().constData());
    return allMet ? 0 : 2;
}
