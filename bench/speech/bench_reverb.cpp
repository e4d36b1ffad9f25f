// How long each reverberant room rings and how well its words are understood.
// Ring-out: from the room's impulse response, the reverberation time (Schroeder backward
// integration, RT60 extrapolated from the -5..-25 dB decay) and the clarity C50 (energy in
// the first 50 ms against the rest, in dB), beside sox's "reverb 50 50 100" as the peer.
// Intelligibility: the word error rate of an offline recogniser (pocketsphinx with its US
// English model) on 20 Harvard sentences spoken by Mary, dry and through sox's reverb, and
// by the room voices as the program renders them; needs sox, pocketsphinx and
// pocketsphinx-en-us.
//   bench_reverb [sentences]   default 20
#include "audio/SilentAudioOutput.h"
#include "speech/DirectSS.h"
#include "speech/SoundEffect.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <sndfile.h>

namespace {

constexpr int Rate = audio::AudioOutput::SampleRate;

const char* const Sentences[] = {"The birch canoe slid on the smooth planks.",
                                 "Glue the sheet to the dark blue background.",
                                 "It's easy to tell the depth of a well.",
                                 "These days a chicken leg is a rare dish.",
                                 "Rice is often served in round bowls.",
                                 "The juice of lemons makes fine punch.",
                                 "The box was thrown beside the parked truck.",
                                 "The hogs were fed chopped corn and garbage.",
                                 "Four hours of steady work faced us.",
                                 "A large size in stockings is hard to sell.",
                                 "The boy was there when the sun rose.",
                                 "A rod is used to catch pink salmon.",
                                 "The source of the huge river is the clear spring.",
                                 "Kick the ball straight and follow through.",
                                 "Help the woman get back to her feet.",
                                 "A pot of tea helps to pass the evening.",
                                 "Smoky fires lack flame and heat.",
                                 "The soft cushion broke the man's fall.",
                                 "The salt breeze came across from the sea.",
                                 "The girl at the booth sold fifty bonds."};

struct Room
{
    const char* name;
    speech::VoiceEffectKind kind;
};
const Room Rooms[] = {{"Hall", speech::VoiceEffectKind::Hall},
                      {"Stadium", speech::VoiceEffectKind::Stadium},
                      {"Space", speech::VoiceEffectKind::Space}};

QVector<float> readWave(const QString& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        return {};
    }
    QVector<float> samples(qsizetype(info.frames) * info.channels);
    sf_read_float(file, samples.data(), samples.size());
    sf_close(file);
    return samples;
}

bool writeWave(const QString& path, const QVector<float>& samples, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    sf_write_float(file, samples.constData(), samples.size());
    sf_close(file);
    return true;
}

struct RingOut
{
    double rt60 = 0;
    double c50 = 0;
};

// Energy from each sample to the end (Schroeder's backward integration).
QVector<double> remainingEnergy(const QVector<float>& response)
{
    QVector<double> remaining(response.size() + 1, 0);
    for (qsizetype n = response.size() - 1; n >= 0; --n) {
        remaining[n] = remaining[n + 1] + double(response[n]) * response[n];
    }
    return remaining;
}

// The decay time from the reverberant part alone; the clarity from all of the response,
// the direct sound included.
RingOut ringOut(const QVector<float>& response, const QVector<float>& reverberant)
{
    const QVector<double> wet = remainingEnergy(reverberant);
    const auto fallsTo = [&](double db) {
        for (qsizetype n = 0; n < reverberant.size(); ++n) {
            if (10 * std::log10(wet[n] / wet[0]) <= db) {
                return double(n) / Rate;
            }
        }
        return double(reverberant.size()) / Rate;
    };
    const QVector<double> all = remainingEnergy(response);
    const qsizetype early = Rate * 50 / 1000;
    return {3 * (fallsTo(-25) - fallsTo(-5)), 10 * std::log10((all[0] - all[early]) / all[early])};
}

QStringList words(const QString& text)
{
    return text.toLower()
        .replace(QRegularExpression(QStringLiteral("[^a-z' ]")), QStringLiteral(" "))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

int editDistance(const QStringList& a, const QStringList& b)
{
    QVector<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j) {
        row[j] = int(j);
    }
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int sentences = std::clamp(argc > 1 ? atoi(argv[1]) : 20, 1, int(std::size(Sentences)));
    QTemporaryDir dir;
    const bool haveSox = !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();

    // Ring-out of each room's impulse response, and of sox's reverb on the same impulse.
    std::printf(
        "ring-out from the impulse response (RT60 from the reverberation's -5..-25 dB decay; C50: "
        "higher is clearer)\n");
    QVector<float> impulse(qsizetype(Rate) * 5, 0);
    impulse[0] = 0.5f;
    for (const Room& room : Rooms) {
        speech::SoundEffect effect(room.kind, Rate);
        QVector<float> response = impulse;
        effect.process(response.data(), response.size());
        QVector<float> reverberant = response;
        reverberant[0] = 0; // the direct sound: the room's first reflection comes later
        const RingOut figures = ringOut(response, reverberant);
        std::printf("  Mary in %-8s RT60 %.2f s  C50 %+5.1f dB  tail rendered %.1f s\n", room.name,
                    figures.rt60, figures.c50, double(effect.tailLength()) / Rate);
    }
    if (haveSox) {
        const QString in = dir.filePath(QStringLiteral("impulse.wav"));
        const QString out = dir.filePath(QStringLiteral("impulse-sox.wav"));
        const QString wetOut = dir.filePath(QStringLiteral("impulse-sox-wet.wav"));
        writeWave(in, impulse, Rate);
        if (run(QStringLiteral("sox"), {in, out, QStringLiteral("reverb"), QStringLiteral("50"),
                                        QStringLiteral("50"), QStringLiteral("100")}) &&
            run(QStringLiteral("sox"),
                {in, wetOut, QStringLiteral("reverb"), QStringLiteral("-w"), QStringLiteral("50"),
                 QStringLiteral("50"), QStringLiteral("100")})) {
            const RingOut figures = ringOut(readWave(out), readWave(wetOut));
            std::printf("  sox reverb 50 50 100 RT60 %.2f s  C50 %+5.1f dB\n", figures.rt60,
                        figures.c50);
        }
    }

    if (!haveSox ||
        QStandardPaths::findExecutable(QStringLiteral("pocketsphinx_batch")).isEmpty()) {
        std::printf(
            "intelligibility: not measured (needs sox, pocketsphinx, pocketsphinx-en-us)\n");
        return 0;
    }

    // Every voice rendered the way a recording is: the rooms through the program itself.
    speech::DirectSS control(std::make_unique<audio::SilentAudioOutput>());
    const auto record = [&control](const QString& voice, const char* text, const QString& path) {
        for (int i = 1; i <= control.voiceCount(); ++i) {
            if (control.voiceName(i) == voice) {
                control.selectVoice(i);
            }
        }
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.setOutputFile(path);
        control.speak(QString::fromLatin1(text));
        return stopped.wait(60000);
    };
    const QStringList conditions = {QStringLiteral("dry"), QStringLiteral("sox reverb 50 50 100"),
                                    QStringLiteral("Mary in Hall"),
                                    QStringLiteral("Mary in Stadium"),
                                    QStringLiteral("Mary in Space")};
    QStringList control16k;
    for (int s = 0; s < sentences; ++s) {
        const QString dry = dir.filePath(QStringLiteral("c0-%1.wav").arg(s));
        bool rendered = record(QStringLiteral("Mary"), Sentences[s], dry);
        for (int c = 2; c < conditions.size(); ++c) {
            rendered = rendered && record(conditions.at(c), Sentences[s],
                                          dir.filePath(QStringLiteral("c%1-%2.wav").arg(c).arg(s)));
        }
        if (!rendered) {
            std::fprintf(stderr, "rendering did not finish\n");
            return 1;
        }
        run(QStringLiteral("sox"),
            {dry, dir.filePath(QStringLiteral("c1-%1.wav").arg(s)), QStringLiteral("reverb"),
             QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("100")});
        for (int c = 0; c < conditions.size(); ++c) {
            const QString name = QStringLiteral("c%1-%2").arg(c).arg(s);
            run(QStringLiteral("sox"),
                {dir.filePath(name + QStringLiteral(".wav")), QStringLiteral("-r"),
                 QStringLiteral("16000"), QStringLiteral("-t"), QStringLiteral("raw"),
                 dir.filePath(name + QStringLiteral(".raw"))});
            control16k << name;
        }
    }
    const QString list = dir.filePath(QStringLiteral("files"));
    const QString hypotheses = dir.filePath(QStringLiteral("hypotheses"));
    {
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(control16k.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    if (!run(QStringLiteral("pocketsphinx_batch"),
             {QStringLiteral("-adcin"), QStringLiteral("yes"), QStringLiteral("-cepdir"),
              dir.path(), QStringLiteral("-cepext"), QStringLiteral(".raw"), QStringLiteral("-ctl"),
              list, QStringLiteral("-hyp"), hypotheses, QStringLiteral("-logfn"),
              QStringLiteral("/dev/null")})) {
        std::fprintf(stderr, "pocketsphinx_batch failed\n");
        return 1;
    }
    QHash<QString, QString> heard;
    QFile file(hypotheses);
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(QStringLiteral("^(.*) \\((\\S+)[^)]*\\)$"));
        for (const QByteArray& text : file.readAll().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(text).trimmed());
            if (match.hasMatch()) {
                heard.insert(match.captured(2), match.captured(1));
            }
        }
    }
    std::printf("intelligibility: word error rate of pocketsphinx on %d sentences by Mary "
                "(lower is better)\n",
                sentences);
    for (int c = 0; c < conditions.size(); ++c) {
        int errors = 0;
        int total = 0;
        for (int s = 0; s < sentences; ++s) {
            const QStringList said = words(QString::fromLatin1(Sentences[s]));
            errors +=
                editDistance(said, words(heard.value(QStringLiteral("c%1-%2").arg(c).arg(s))));
            total += int(said.size());
        }
        std::printf("  %-22s %5.1f %% (%d of %d words)\n", qPrintable(conditions.at(c)),
                    100.0 * errors / total, errors, total);
    }
    return 0;
}
