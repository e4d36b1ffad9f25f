#pragma once

#include "audio/SilentAudioOutput.h"
#include "speech/DirectSS.h"
#include "support/ManualSpeechClock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QVector>
#include <cmath>
#include <sndfile.h>
#include <span>

// Helpers shared by the speech tests: finding voices, rendering to files, reading them
// back, and driving a silent output's hand-moved clock.
namespace speechtest {

// The rate every voice is spoken and recorded at.
constexpr int Rate = audio::AudioOutput::SampleRate;

// A control speaking into the silent output, whose clock moves only when told.
struct SilentControl
{
    support::ManualSpeechClock* clock = new support::ManualSpeechClock; // owned by the control
    audio::SilentAudioOutput* output = nullptr;
    std::unique_ptr<speech::DirectSS> control;

    SilentControl()
    {
        auto ownOutput = std::make_unique<audio::SilentAudioOutput>(clock);
        output = ownOutput.get();
        control = std::make_unique<speech::DirectSS>(std::move(ownOutput));
        clock->setParent(control.get());
    }

    // Moves the clock in steps, letting synthesis refill the buffer before each step, until
    // the condition holds. False when it never did.
    template <typename Condition>
    bool playUntil(Condition condition, qint64 stepMicroseconds = 50000, int maxSteps = 4000)
    {
        for (int step = 0; step < maxSteps; ++step) {
            QCoreApplication::processEvents();
            if (condition()) {
                return true;
            }
            QDeadlineTimer refill(2000);
            while (control->isSynthesizing() && control->bufferedSamples() < 20000 &&
                   !refill.hasExpired()) {
                QTest::qWait(1);
            }
            QCoreApplication::processEvents();
            clock->advance(stepMicroseconds);
        }
        QCoreApplication::processEvents();
        return condition();
    }
};

inline int voiceNumber(speech::SpeechControl& control, const QString& name)
{
    for (int i = 1; i <= control.voiceCount(); ++i) {
        if (control.voiceName(i) == name) {
            return i;
        }
    }
    return 0;
}

// The root mean square of samples [from, to) as far as there are any; -1 where none are.
inline double rms(std::span<const qint16> samples, qsizetype from = 0,
                  qsizetype to = std::numeric_limits<qsizetype>::max())
{
    from = std::clamp<qsizetype>(from, 0, qsizetype(samples.size()));
    to = std::clamp<qsizetype>(to, from, qsizetype(samples.size()));
    double sum = 0;
    for (qsizetype i = from; i < to; ++i) {
        sum += double(samples[size_t(i)]) * samples[size_t(i)];
    }
    return to > from ? std::sqrt(sum / double(to - from)) : -1;
}

// Samples recorded as raw 16-bit words.
inline std::span<const qint16> samplesOf(const QByteArray& raw)
{
    return {reinterpret_cast<const qint16*>(raw.constData()), size_t(raw.size() / 2)};
}

// A sound file of any format as libsndfile reads it back: ok only when it read whole.
struct SoundContents
{
    bool ok = false;
    QString error;
    int rate = 0;
    int channels = 0;
    int format = 0;
    QString title;
    QVector<qint16> samples; // the channels' samples in turn
};

inline SoundContents readSound(const QString& path)
{
    SoundContents sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        sound.error = QString::fromUtf8(sf_strerror(nullptr));
        return sound;
    }
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.format = info.format;
    sound.title = QString::fromUtf8(sf_get_string(file, SF_STR_TITLE));
    sound.samples.resize(qsizetype(info.frames) * info.channels);
    sound.ok =
        sf_read_short(file, sound.samples.data(), sound.samples.size()) == sound.samples.size();
    sf_close(file);
    return sound;
}

// The names the window's tests read recordings by.
using WaveContents = SoundContents;
inline SoundContents readWave(const QString& path)
{
    return readSound(path);
}

// Speaks into the file and waits for the utterance to end; true when it did in time.
inline bool render(speech::DirectSS& control, const QString& voice, const QString& text,
                   const QString& path, int timeoutMs = 30000)
{
    QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
    control.selectVoice(voiceNumber(control, voice));
    control.setOutputFile(path);
    control.speak(text);
    const bool ended = stopped.wait(timeoutMs) || stopped.count() > 0;
    control.setOutputFile(QString());
    return ended;
}

// The samples of the text spoken into the file; none when it did not end in time.
inline QVector<qint16> renderedSamples(speech::DirectSS& control, const QString& voice,
                                       const QString& text, const QString& path)
{
    return render(control, voice, text, path) ? readSound(path).samples : QVector<qint16>();
}

// A cue of a timing file (.srt or .vtt), its times in milliseconds.
struct Cue
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;
};

inline QList<Cue> readCues(const QString& path)
{
    QFile file(path);
    QList<Cue> cues;
    static const QRegularExpression cue(
        QStringLiteral("(\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3}) --> "
                       "(\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3})\\n(.*)"));
    if (!file.open(QIODevice::ReadOnly)) {
        return cues;
    }
    for (const auto& match : cue.globalMatch(QString::fromUtf8(file.readAll()))) {
        const auto at = [&match](int first) {
            qint64 value = 0;
            for (const int unit : {1, 60, 60, 1000}) {
                value = value * unit + match.captured(first++).toLongLong();
            }
            return value;
        };
        cues.append({at(1), at(5), match.captured(9)});
    }
    return cues;
}

// Why the clips of a read-along book's timing documents (their SMIL text, pages in order)
// disagree with the sentence cues of the same recording: not a clip for each cue, or a clip
// that begins more than 50 ms from its cue's start. Empty when they agree.
inline QString clipsDisagree(const QString& overlays, const QList<Cue>& cues)
{
    static const QRegularExpression clip(
        QStringLiteral("clipBegin=\"(\\d+):(\\d\\d):(\\d\\d)\\.(\\d{3})\""));
    QList<qint64> begins;
    for (const auto& match : clip.globalMatch(overlays)) {
        begins << ((match.captured(1).toLongLong() * 60 + match.captured(2).toLongLong()) * 60 +
                   match.captured(3).toLongLong()) *
                          1000 +
                      match.captured(4).toLongLong();
    }
    if (begins.size() != cues.size()) {
        return QStringLiteral("%1 clips for %2 cues").arg(begins.size()).arg(cues.size());
    }
    for (qsizetype i = 0; i < cues.size(); ++i) {
        if (std::abs(begins.at(i) - cues.at(i).startMs) > 50) {
            return QStringLiteral("sentence %1 begins at %2 ms, its cue at %3 ms")
                .arg(i + 1)
                .arg(begins.at(i))
                .arg(cues.at(i).startMs);
        }
    }
    return {};
}

// What Debian's EPUB checker says against a book: empty when it passes.
inline QString epubCheckComplaint(const QString& path)
{
    QProcess check;
    check.start(QStringLiteral("java"),
                {QStringLiteral("-jar"), QStringLiteral("/usr/bin/epubcheck"), path});
    if (!check.waitForFinished(120000) || check.exitStatus() != QProcess::NormalExit) {
        return QStringLiteral("the checker did not run: ") + check.errorString();
    }
    return check.exitCode() == 0
               ? QString()
               : QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
}

// What a sink's monitor of the sound server plays, recorded by parec as 16 kHz mono
// samples. Moments are milliseconds on the recording's own clock; samples are placed on it
// from the first that came, which agrees with wall time give or take the latency.
class MonitorRecording
{
public:
    static constexpr int RecordingRate = 16000;

    // True once the recording runs and has settled.
    bool start(const QString& monitor = QStringLiteral("@DEFAULT_MONITOR@"))
    {
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &m_parec, [this] {
            if (m_firstByteMs < 0) {
                m_firstByteMs = m_clock.elapsed();
            }
            m_bytes += m_parec.readAllStandardOutput();
        });
        m_clock.start();
        m_parec.start("parec",
                      {"-d", monitor, "--raw", "--format=s16le", "--channels=1",
                       QStringLiteral("--rate=%1").arg(RecordingRate), "--latency-msec=10"});
        if (!m_parec.waitForStarted() ||
            !QTest::qWaitFor([this] { return m_bytes.size() > RecordingRate / 5; }, 5000)) {
            return false;
        }
        m_bytes.clear();
        m_firstByteMs = -1;
        return QTest::qWaitFor([this] { return m_firstByteMs >= 0; }, 5000);
    }

    qint64 now() const { return m_clock.elapsed(); }

    // Waits until the recording holds what was played up to the moment.
    bool reach(qint64 ms)
    {
        return QTest::qWaitFor(
            [&] { return m_firstByteMs >= 0 && sampleAt(ms) <= m_bytes.size() / 2; },
            int(std::max<qint64>(ms - now(), 0)) + 5000);
    }

    void stop()
    {
        m_parec.terminate();
        m_parec.waitForFinished(3000);
        m_bytes += m_parec.readAllStandardOutput();
    }

    std::span<const qint16> samples() const { return samplesOf(m_bytes); }

    double level(qint64 fromMs, qint64 toMs) const
    {
        return rms(samples(), sampleAt(fromMs), sampleAt(toMs));
    }

    // The moment of the last sample from the moment on louder than a whisper.
    qint64 lastSoundMs(qint64 fromMs) const
    {
        const std::span<const qint16> all = samples();
        qsizetype last = sampleAt(fromMs);
        for (qsizetype i = std::max<qsizetype>(0, last); i < qsizetype(all.size()); ++i) {
            if (std::abs(all[size_t(i)]) > 200) {
                last = i;
            }
        }
        return m_firstByteMs + last * 1000 / RecordingRate;
    }

private:
    qsizetype sampleAt(qint64 ms) const
    {
        return qsizetype((ms - m_firstByteMs) * RecordingRate / 1000);
    }

    QProcess m_parec;
    QElapsedTimer m_clock;
    QByteArray m_bytes;
    qint64 m_firstByteMs = -1;
};

} // namespace speechtest
