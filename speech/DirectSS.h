#pragma once

#include "audio/AudioOutput.h"
#include "audio/AudioRing.h"
#include "speech/SpeechControl.h"
#include "speech/VoiceDefinition.h"

#include <QList>
#include <QTimer>
#include <memory>
#include <optional>

namespace speech {

class SpeechWorker;
class WordMarks;

// The speech control: real voices from espeak-ng and flite, spoken through the default
// audio output (or a silent one that keeps time) or rendered into sound files, or into a
// read-along book when the output file's name ends in .epub.
//
// Settings made by DISPIDs 16, 10, 7 and 68 apply to the following speak calls. Each
// speak call is one utterance: it queues behind what is playing and ends with exactly one
// AudioStop, at its natural end, after a stop, or once its recording is complete (or has
// failed, after RecordingFailed).
class DirectSS : public SpeechControl
{
    Q_OBJECT
public:
    // Without an output the default device is used, or the silent output when there is
    // none.
    explicit DirectSS(std::unique_ptr<audio::AudioOutput> output = {}, QObject* parent = nullptr);
    ~DirectSS() override;

    // Starts the next control's worker thread at once, which loads the engines while the
    // program builds its window; a thread no control took over ends with this.
    class WarmUp
    {
    public:
        WarmUp();
        ~WarmUp();
        WarmUp(const WarmUp&) = delete;
        WarmUp& operator=(const WarmUp&) = delete;

    private:
        bool m_started;
    };

    QVariant invoke(int dispid, const QVariantList& args = {}) override;
    bool playWaveFile(const QString& path) override;
    quint64 lastUtterance() const override { return m_lastUtterance; }
    bool soundOutputReached() const override;

    // Raises WordHeard for every word the output has played up to. A poll calls it every
    // few milliseconds while speaking; a test that moves the output's clock by hand calls
    // it after each move.
    void reportHeardWords();

    const QList<VoiceDefinition>& voices() const { return m_voices; }
    QList<EngineVoices> engineVoices() override;
    audio::AudioOutput* output() const { return m_output.get(); }
    // Samples synthesised and waiting for the output.
    qsizetype bufferedSamples() const;
    // The worker has a job queued or is synthesising one.
    bool isSynthesizing() const;
    // Nothing queued, synthesising, playing or recording.
    bool isIdle() const;
    bool isPaused() const { return m_paused; }
    // Utterances that have not raised AudioStop yet.
    int pendingUtterances() const { return int(m_pending.size()); }

private:
    struct Pending
    {
        quint64 id;
        bool toFile;
    };

    quint32 speakText(const QString& text);
    void stopAll();
    // Drops everything in the buffer and what is being synthesised for it.
    void startGeneration();
    void finishUtterance(quint64 id);
    void postAudioStop();
    std::optional<int> voiceArgument(const QVariantList& args) const;

    std::unique_ptr<audio::AudioRing> m_ring;
    std::unique_ptr<WordMarks> m_words;
    std::unique_ptr<audio::AudioOutput> m_output;
    std::unique_ptr<SpeechWorker> m_worker;
    QList<VoiceDefinition> m_voices;
    QList<Pending> m_pending;
    int m_voice = 1;
    int m_speed = -1; // not set: the voice's own
    int m_pitch = -1;
    QString m_outputFile;
    quint32 m_lastResult = ResultOk;
    quint64 m_nextId = 1;
    quint64 m_lastUtterance = 0;
    QTimer m_wordPoll;
    quint64 m_generation = 1;
    bool m_paused = false;
};

} // namespace speech
