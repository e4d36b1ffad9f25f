#include "SpeechTestSupport.h"
#include "speech/VoiceCatalog.h"

#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace speechtest;

namespace {

// Share of a signal's energy inside [low, high) Hz, from DFTs of windows through it.
double bandShare(const QVector<qint16>& samples, double low, double high)
{
    constexpr int Window = 512;
    double inside = 0;
    double total = 0;
    for (qsizetype start = 0; start + Window <= samples.size(); start += qsizetype(Window) * 8) {
        for (int k = 1; k < Window / 2; ++k) {
            double re = 0;
            double im = 0;
            for (int n = 0; n < Window; ++n) {
                const double angle = 2 * std::numbers::pi * k * n / Window;
                const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / Window);
                re += samples[start + n] * hann * std::cos(angle);
                im -= samples[start + n] * hann * std::sin(angle);
            }
            const double power = re * re + im * im;
            const double frequency = double(k) * Rate / Window;
            total += power;
            if (frequency >= low && frequency < high) {
                inside += power;
            }
        }
    }
    return total > 0 ? inside / total : 0;
}

// Median fundamental of the voiced frames, by autocorrelation; 0 when hardly any frame
// is voiced (whispering).
double medianPitch(const QVector<qint16>& samples, double* voicedShare = nullptr)
{
    constexpr int Frame = 1024;
    const int minLag = Rate / 450;
    const int maxLag = Rate / 60;
    QList<double> pitches;
    int frames = 0;
    for (qsizetype start = 0; start + Frame + maxLag <= samples.size();
         start += qsizetype(2) * Frame) {
        const double level = rms(samples, start, start + Frame);
        if (level < 300) {
            continue; // pause
        }
        ++frames;
        QList<double> r;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double sum = 0;
            for (int n = 0; n < Frame; ++n) {
                sum += double(samples[start + n]) * samples[start + n + lag];
            }
            r.append(sum / (Frame * level * rms(samples, start + lag, start + lag + Frame) + 1));
        }
        const double best = *std::max_element(r.cbegin(), r.cend());
        // The first strong peak: multiples of the period correlate almost as well.
        int bestLag = 0;
        for (qsizetype i = 1; i + 1 < r.size() && bestLag == 0; ++i) {
            if (r[i] >= 0.85 * best && r[i] >= r[i - 1] && r[i] >= r[i + 1]) {
                bestLag = minLag + int(i);
            }
        }
        if (bestLag > 0 && best > 0.6) {
            pitches.append(double(Rate) / bestLag);
        }
    }
    if (voicedShare != nullptr) {
        *voicedShare = frames > 0 ? double(pitches.size()) / frames : 0;
    }
    if (pitches.size() < 5) {
        return 0;
    }
    std::sort(pitches.begin(), pitches.end());
    return pitches.at(pitches.size() / 2);
}

} // namespace

// What the voices sound like: the effects are real signal processing, the voices differ,
// and speed and tone move the sound the right way over the whole scale.
class tst_VoiceSound : public QObject
{
    Q_OBJECT

private:
    speech::DirectSS m_control{std::make_unique<audio::SilentAudioOutput>()};
    QTemporaryDir m_dir;
    const QString m_text = "She sells sea shells by the sea shore, surely.";

    QVector<qint16> speech(const QString& voice, int speed, int pitch)
    {
        m_control.setSpeed(speed);
        m_control.setPitch(pitch);
        return renderedSamples(m_control, voice, m_text, m_dir.filePath("voice.wav"));
    }

private Q_SLOTS:
    // The telephone keeps only its band; a room rings on after the voice, longest in space,
    // shortest in the hall.
    void telephoneKeepsItsBandAndRoomsRingLongerAsTheyGrow()
    {
        const QVector<qint16> dry = speech("Mary", 150, 170);
        const QVector<qint16> narrow = speech("Mary (for Telephone)", 150, 170);
        const double wideOutside = bandShare(dry, 0, 200) + bandShare(dry, 4500, 20000);
        const double narrowOutside = bandShare(narrow, 0, 200) + bandShare(narrow, 4500, 20000);
        QVERIFY2(narrowOutside < 0.02, qPrintable(QString::number(narrowOutside)));
        QVERIFY2(wideOutside > 5 * narrowOutside,
                 qPrintable(QStringLiteral("%1 vs %2").arg(wideOutside).arg(narrowOutside)));
        const double band = bandShare(narrow, 250, 4000);
        QVERIFY2(band > 0.9, qPrintable(QString::number(band)));

        const double level = rms(dry);
        QList<double> ringing;
        for (const QString room : {"Mary in Hall", "Mary in Stadium", "Mary in Space"}) {
            const QVector<qint16> wet = speech(room, 150, 170);
            QVERIFY(wet.size() > dry.size());
            // Time after the dry voice has ended until the sound falls 40 dB below it.
            qsizetype last = dry.size();
            constexpr qsizetype Step = 441;
            for (qsizetype at = dry.size(); at + Step <= wet.size(); at += Step) {
                if (rms(wet, at, at + Step) > level / 100) {
                    last = at + Step;
                }
            }
            ringing.append(double(last - dry.size()) / Rate);
        }
        const QString said =
            QStringLiteral("%1 %2 %3").arg(ringing[0]).arg(ringing[1]).arg(ringing[2]);
        QVERIFY2(ringing[0] > 0.2 && ringing[0] < ringing[1] && ringing[1] < ringing[2],
                 qPrintable(said));
    }

    void namedVoicesSoundDifferent()
    {
        QSet<quint64> digests;
        QMap<QString, double> pitch;
        QMap<QString, double> voiced; // the share of voiced frames
        const QList<speech::VoiceDefinition> named = m_control.voices().mid(0, 19);
        for (const speech::VoiceDefinition& voice : named) {
            const QVector<qint16> samples = speech(voice.name, voice.ownSpeed, voice.ownPitch);
            QVERIFY2(rms(samples) > 300, qPrintable(voice.name));
            digests.insert(audio::SilentAudioOutput::digestOf(samples.constData(), samples.size()));
            pitch[voice.name] = medianPitch(samples, &voiced[voice.name]);
        }
        QCOMPARE(digests.size(), named.size());
        const double mary = pitch["Mary"];
        const double mike = pitch["Mike"];
        QVERIFY2(mary > 140 && mike > 60 && mike < mary * 0.8,
                 qPrintable(QStringLiteral("Mary %1 Hz, Mike %2 Hz").arg(mary).arg(mike)));
        // Whispering has no voiced frames; ordinary speech mostly has.
        double spoken = 0;
        medianPitch(speech("English (America)", 150, 150), &spoken);
        const double whispered = std::max(voiced["Female Whisper"], voiced["Male Whisper"]);
        QVERIFY2(spoken > 0.5 && whispered < 0.2,
                 qPrintable(QStringLiteral("%1 vs %2 whispered").arg(spoken).arg(whispered)));
    }

    void speedAndToneMoveTheSoundAcrossTheScale_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("flite") << "Mary";
        QTest::newRow("espeak-ng") << "English (Great Britain)";
    }

    void speedAndToneMoveTheSoundAcrossTheScale()
    {
        QFETCH(QString, voice);
        qsizetype previous = std::numeric_limits<qsizetype>::max();
        for (int speed : {50, 70, 110, 150, 200, 270}) {
            const qsizetype length = speech(voice, speed, 150).size();
            QVERIFY2(length < previous, qPrintable(QStringLiteral("speed %1").arg(speed)));
            previous = length;
        }
        double lastPitch = 0;
        for (int pitch : {90, 150, 220, 300}) {
            const double f0 = medianPitch(speech(voice, 150, pitch));
            QVERIFY2(f0 > lastPitch,
                     qPrintable(QStringLiteral("tone %1: %2 Hz").arg(pitch).arg(f0)));
            lastPitch = f0;
        }
    }

    void mappingIsMonotonicWithNaturalOwnValues()
    {
        for (const speech::VoiceDefinition& voice : speech::VoiceCatalog::namedVoices({})) {
            const speech::ProsodySettings own = voice.prosody(voice.ownSpeed, voice.ownPitch);
            QCOMPARE(std::tuple(own.espeakRate, own.espeakPitch, own.fliteStretch,
                                own.fliteF0Factor, own.sonicSpeed),
                     std::tuple(175, 50, 1.0, 1.0, 1.0));
            speech::ProsodySettings before = voice.prosody(voice.minSpeed, voice.minPitch);
            for (int step = 1; step <= 20; ++step) {
                const int speed = voice.minSpeed + (voice.maxSpeed - voice.minSpeed) * step / 20;
                const int pitch = voice.minPitch + (voice.maxPitch - voice.minPitch) * step / 20;
                const speech::ProsodySettings now = voice.prosody(speed, pitch);
                QVERIFY(now.espeakRate * now.sonicSpeed > before.espeakRate * before.sonicSpeed);
                QVERIFY(now.fliteStretch < before.fliteStretch);
                QVERIFY(now.espeakPitch > before.espeakPitch);
                QVERIFY(now.fliteF0Factor > before.fliteF0Factor);
                QVERIFY(now.espeakPitch >= 0 && now.espeakPitch <= 99 && now.espeakRate >= 80 &&
                        now.espeakRate <= 450);
                before = now;
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_VoiceSound)
#include "tst_VoiceSound.moc"
