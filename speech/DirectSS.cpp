#include "speech/DirectSS.h"

#include "audio/AudioOutput.h"
#include "audio/AudioRing.h"
#include "audio/DeviceAudioOutput.h"
#include "platform/EventLog.h"
#include "platform/Result.h"
#include "recording/ReadAlongBook.h"
#include "recording/SoundFormat.h"
#include "speech/SpeechWorker.h"
#include "speech/WordMarks.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>
#include <sndfile.h>
#include <soxr.h>

namespace speech {

namespace {

// About a second of audio between synthesis and output.
constexpr qsizetype RingSamples = audio::AudioOutput::SampleRate;

// How often the words heard are looked for: well inside the time of the shortest word.
constexpr int WordPollMs = 10;

std::optional<int> intArgument(const QVariantList& args)
{
    bool ok = false;
    const int value = args.size() == 1 ? args.constFirst().toInt(&ok) : 0;
    return ok ? std::optional<int>(value) : std::nullopt;
}

platform::Result<QVector<qint16>> decodeWave(const QString& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        return platform::Failure{QString::fromUtf8(sf_strerror(nullptr))};
    }
    QVector<float> interleaved(qsizetype(info.frames) * info.channels);
    const sf_count_t frames = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    QVector<float> mono(frames);
    for (sf_count_t i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < info.channels; ++c) {
            sum += interleaved[i * info.channels + c];
        }
        mono[i] = sum / float(info.channels);
    }
    if (info.samplerate != audio::AudioOutput::SampleRate) {
        QVector<float> resampled(
            qsizetype(
                std::ceil(double(frames) * audio::AudioOutput::SampleRate / info.samplerate)) +
            64);
        size_t produced = 0;
        const soxr_error_t failed =
            soxr_oneshot(info.samplerate, audio::AudioOutput::SampleRate, 1, mono.constData(),
                         size_t(frames), nullptr, resampled.data(), size_t(resampled.size()),
                         &produced, nullptr, nullptr, nullptr);
        if (failed != nullptr) {
            return platform::Failure{QString::fromUtf8(failed)};
        }
        resampled.resize(qsizetype(produced));
        mono = resampled;
    }
    QVector<qint16> samples(mono.size());
    for (qsizetype i = 0; i < mono.size(); ++i) {
        samples[i] = qint16(std::lround(std::clamp(mono[i] * 32768.0f, -32768.0f, 32767.0f)));
    }
    return samples;
}

} // namespace

bool DirectSS::soundOutputReached() const
{
    return m_output->reachesSound();
}

DirectSS::DirectSS(std::unique_ptr<audio::AudioOutput> output, QObject* parent)
    : SpeechControl(parent), m_ring(std::make_unique<audio::AudioRing>(RingSamples)),
      m_words(std::make_unique<WordMarks>()),
      m_output(output ? std::move(output) : std::make_unique<audio::DeviceAudioOutput>())
{
    m_ring->reset(m_generation);
    m_words->reset(m_generation);
    m_wordPoll.setInterval(WordPollMs);
    m_wordPoll.setTimerType(Qt::PreciseTimer);
    connect(&m_wordPoll, &QTimer::timeout, this, &DirectSS::reportHeardWords);
    m_output->setRing(m_ring.get());
    audio::AudioOutput* audio = m_output.get();
    m_ring->setWakeHandler([audio] {
        QMetaObject::invokeMethod(
            audio, [audio] { audio->wake(); }, Qt::QueuedConnection);
    });
    connect(audio, &audio::AudioOutput::utteranceEnded, this,
            [this](quint64 id) { finishUtterance(id); });
    connect(audio, &audio::AudioOutput::outputMissing, this, &SpeechControl::SoundOutputMissing);
    connect(audio, &audio::AudioOutput::heardChanged, this, &SpeechControl::SoundOutputChanged);

    SpeechWorker::Callbacks callbacks;
    callbacks.recordingFinished = [this](quint64 id) {
        QMetaObject::invokeMethod(
            this, [this, id] { finishUtterance(id); }, Qt::QueuedConnection);
    };
    callbacks.recordingFailed = [this](quint64 id, const QString& path, const QString& reason) {
        QMetaObject::invokeMethod(
            this,
            [this, id, path, reason] {
                m_lastResult = ResultWriteFailed;
                platform::eventlog::warning(
                    QStringLiteral("The recording %1 could not be written: %2")
                        .arg(QDir::toNativeSeparators(path), reason));
                Q_EMIT RecordingFailed(path, reason);
                finishUtterance(id);
            },
            Qt::QueuedConnection);
    };
    callbacks.recordingProgress = [this](quint64, qsizetype done, qsizetype total) {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        QMetaObject::invokeMethod(
            this, [this, percent] { Q_EMIT RecordingProgress(percent); }, Qt::QueuedConnection);
    };
    m_worker = std::make_unique<SpeechWorker>(*m_ring, audio::AudioOutput::SampleRate, callbacks,
                                              m_words.get());
    m_voices = m_worker->voices();
    const QString error = m_worker->startError();
    if (!error.isEmpty()) {
        platform::eventlog::warning(error);
    }
}

DirectSS::WarmUp::WarmUp() : m_started(SpeechWorker::startAhead()) {}

DirectSS::WarmUp::~WarmUp()
{
    if (m_started) {
        SpeechWorker::endUnusedAhead();
    }
}

DirectSS::~DirectSS()
{
    m_ring->close();
    m_worker.reset();
    m_output->setRing(nullptr);
}

QList<SpeechControl::EngineVoices> DirectSS::engineVoices()
{
    int espeak = 0;
    int flite = 0;
    for (const VoiceDefinition& voice : m_voices) {
        (voice.engine == SynthEngine::Espeak ? espeak : flite) += 1;
    }
    return {{QStringLiteral("espeak-ng"), espeak}, {QStringLiteral("flite"), flite}};
}

QVariant DirectSS::invoke(int dispid, const QVariantList& args)
{
    switch (dispid) {
    case DispidVoiceCount:
        m_lastResult = ResultOk;
        return int(m_voices.size());
    case DispidVoiceName: {
        const std::optional<int> voice = voiceArgument(args);
        if (!voice) {
            m_lastResult = ResultInvalidArgument;
            return QString();
        }
        m_lastResult = ResultOk;
        return m_voices.at(*voice - 1).name;
    }
    case DispidSelectVoice: {
        const std::optional<int> voice = voiceArgument(args);
        if (!voice) {
            m_lastResult = ResultInvalidArgument;
            return {};
        }
        m_voice = *voice;
        m_lastResult = ResultOk;
        return {};
    }
    case DispidSpeed:
    case DispidPitch: {
        const std::optional<int> value = intArgument(args);
        if (!value) {
            m_lastResult = ResultInvalidArgument;
            return {};
        }
        (dispid == DispidSpeed ? m_speed : m_pitch) = *value;
        m_lastResult = ResultOk;
        return {};
    }
    case DispidOutputFile:
        if (args.size() != 1 || !args.constFirst().canConvert<QString>()) {
            m_lastResult = ResultInvalidArgument;
            return {};
        }
        m_outputFile = args.constFirst().toString();
        m_lastResult = ResultOk;
        return {};
    case DispidSpeak:
        if (args.size() != 1 || !args.constFirst().canConvert<QString>()) {
            m_lastResult = ResultInvalidArgument;
            return {};
        }
        m_lastResult = speakText(args.constFirst().toString());
        return {};
    case DispidPause:
        m_paused = true;
        m_output->suspend();
        m_lastResult = ResultOk;
        return {};
    case DispidResume:
        m_paused = false;
        m_output->resume();
        m_lastResult = ResultOk;
        return {};
    case DispidStop:
        stopAll();
        m_lastResult = ResultOk;
        return {};
    case DispidLastResult:
        return m_lastResult;
    default:
        m_lastResult = ResultUnknownMember;
        return {};
    }
}

std::optional<int> DirectSS::voiceArgument(const QVariantList& args) const
{
    const std::optional<int> voice = intArgument(args);
    if (!voice || *voice < 1 || *voice > m_voices.size()) {
        return std::nullopt;
    }
    return voice;
}

quint32 DirectSS::speakText(const QString& text)
{
    quint32 result = ResultOk;
    SpeechJob job;
    job.id = m_nextId++;
    job.generation = m_generation;
    job.text = text;
    job.target = m_outputFile;
    job.sentenceCues = sentenceCues();
    job.wordCues = wordCues();
    m_lastUtterance = job.id;
    job.title = recordingTitle();
    if (!job.target.isEmpty()) {
        job.book = recordingBook();
    }
    job.lexicon = lexicon();
    if (m_voices.isEmpty()) {
        // Nothing can speak; the utterance still ends so the caller's cycle completes.
        m_pending.append({job.id, false});
        QMetaObject::invokeMethod(
            this, [this, id = job.id] { finishUtterance(id); }, Qt::QueuedConnection);
        return ResultInvalidArgument;
    }
    job.voice = m_voices.at(m_voice - 1);
    int speed = m_speed < 0 ? job.voice.ownSpeed : m_speed;
    int pitch = m_pitch < 0 ? job.voice.ownPitch : m_pitch;
    if (!job.voice.accepts(speed, pitch)) {
        speed = job.voice.ownSpeed;
        pitch = job.voice.ownPitch;
        result = ResultIncompatible;
    }
    job.prosody = job.voice.prosody(speed, pitch);
    const bool toFile = !job.target.isEmpty();
    if (toFile) {
        job.readAlong = recording::ReadAlongBook::isBookPath(job.target);
        job.format =
            job.readAlong ? recording::SoundFormat::Mp3 : recording::formatForPath(job.target);
    }
    if (toFile && result == ResultOk &&
        (!QFileInfo(job.target).absoluteDir().exists() || !job.format)) {
        result = ResultWriteFailed; // the worker reports the details
    }
    m_pending.append({job.id, toFile});
    m_worker->enqueue(std::move(job));
    if (!toFile) {
        m_output->start();
        m_wordPoll.start();
    }
    return result;
}

void DirectSS::startGeneration()
{
    m_ring->reset(++m_generation);
    m_words->reset(m_generation);
    m_worker->cancelBefore(m_generation);
    m_output->discard();
}

void DirectSS::stopAll()
{
    startGeneration();
    m_paused = false;
    // Spoken utterances end now; recordings end once their file is complete.
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (!it->toFile) {
            it = m_pending.erase(it);
            postAudioStop();
        } else {
            ++it;
        }
    }
}

void DirectSS::finishUtterance(quint64 id)
{
    const auto find = [this, id] {
        return std::find_if(m_pending.begin(), m_pending.end(),
                            [id](const Pending& pending) { return pending.id == id; });
    };
    auto it = find();
    if (it == m_pending.end()) {
        return;
    }
    // Its last words are out before its end (and a receiver may stop everything meanwhile).
    if (!it->toFile) {
        reportHeardWords();
        it = find();
        if (it == m_pending.end()) {
            return;
        }
    }
    m_pending.erase(it);
    Q_EMIT AudioStop();
}

void DirectSS::reportHeardWords()
{
    const quint64 generation = m_generation;
    for (const WordMarks::Mark& mark : m_words->takeUpTo(m_output->playedPosition())) {
        // A receiver may have stopped the speech.
        if (m_generation != generation) {
            return;
        }
        Q_EMIT WordHeard(mark.utterance, qint32(mark.textStart), qint32(mark.textLength));
    }
    const bool speaking = std::any_of(m_pending.cbegin(), m_pending.cend(),
                                      [](const Pending& pending) { return !pending.toFile; });
    if (!speaking && m_words->isEmpty()) {
        m_wordPoll.stop();
    }
}

void DirectSS::postAudioStop()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT AudioStop(); }, Qt::QueuedConnection);
}

qsizetype DirectSS::bufferedSamples() const
{
    return m_ring->available();
}

bool DirectSS::isSynthesizing() const
{
    return m_worker->busy();
}

bool DirectSS::isIdle() const
{
    return m_pending.isEmpty() && !m_worker->busy() && m_ring->available() == 0;
}

bool DirectSS::playWaveFile(const QString& path)
{
    const platform::Result<QVector<qint16>> decoded = decodeWave(path);
    if (!decoded) {
        platform::eventlog::warning(QStringLiteral("The sound %1 cannot be played: %2")
                                        .arg(QDir::toNativeSeparators(path), decoded.error()));
        return false;
    }
    const QVector<qint16>& samples = decoded.value();
    if (!isIdle()) {
        return false;
    }
    const quint64 id = m_nextId++;
    const quint64 generation = m_generation;
    qsizetype offset = 0;
    bool ended = false;
    QEventLoop loop;
    const auto feed = [&] {
        if (offset < samples.size()) {
            const qsizetype n =
                m_ring->tryWrite(samples.constData() + offset, samples.size() - offset, generation);
            if (n < 0) {
                loop.quit();
                return;
            }
            offset += n;
            if (offset == samples.size()) {
                m_ring->markEnd(id, generation);
            }
        }
    };
    const QMetaObject::Connection connection =
        connect(m_output.get(), &audio::AudioOutput::utteranceEnded, &loop, [&](quint64 utterance) {
            if (utterance == id) {
                ended = true;
                loop.quit();
            }
        });
    QTimer feeder;
    feeder.setInterval(5);
    connect(&feeder, &QTimer::timeout, &loop, feed);
    // However the output behaves, the caller gets control back.
    const qint64 limitMs = samples.size() * 1000 / audio::AudioOutput::SampleRate + 3000;
    QTimer::singleShot(limitMs, &loop, [&loop] { loop.quit(); });
    feed();
    m_output->start();
    feeder.start();
    if (samples.isEmpty()) {
        m_ring->markEnd(id, generation);
    }
    loop.exec();
    disconnect(connection);
    if (!ended) {
        startGeneration();
    }
    return ended;
}

} // namespace speech
