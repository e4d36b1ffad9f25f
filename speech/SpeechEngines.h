#pragma once

#include "platform/Result.h"
#include "speech/VoiceCatalog.h"
#include "speech/VoiceDefinition.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>

namespace speech {

// The two synthesis libraries of the process. Both keep global state without locks, so
// every call goes through this one object while its lock is held, and only from a
// control's worker thread.
class SpeechEngines
{
public:
    // Receives engine audio, mono 16-bit at the engine's rate; false aborts synthesis.
    using ChunkSink = std::function<bool(const qint16* samples, qsizetype count)>;

    // Where a word starts in the audio of one synthesize call (engine samples from the
    // call's first) and which bytes of the call's UTF-8 text it was read from.
    struct WordEvent
    {
        qint64 sample = 0;
        qsizetype byteStart = 0;
        qsizetype byteLength = 0;
    };
    // Receives the words in the order they are spoken, before or with their audio.
    using WordSink = std::function<void(const WordEvent& word)>;

    static SpeechEngines& instance();

    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // Loads both engines once per process. Fails with a reason when espeak-ng cannot
    // start (flite voices are compiled in and always load).
    platform::Result<void> initialise();

    QStringList espeakVariants() const { return m_variants; }
    QList<VoiceCatalog::Language> espeakLanguages() const { return m_languages; }

    int sampleRate(const VoiceDefinition& voice) const;

    // Starts each utterance from the same engine state, so that a text always sounds
    // the same, spoken or rendered.
    void beginUtterance();

    // Speaks one piece of text, feeding the sink as audio comes and the word sink (when
    // given) with each word's start. With phonemeInput, text between [[ and ]] is read as
    // phonemes (espeak-ng only). False when the sink aborted or the engine failed.
    bool synthesize(const VoiceDefinition& voice, const ProsodySettings& prosody,
                    const QByteArray& utf8, const ChunkSink& sink, const WordSink& words = {},
                    bool phonemeInput = false);

private:
    SpeechEngines() = default;
    bool synthesizeEspeak(const VoiceDefinition& voice, const ProsodySettings& prosody,
                          const QByteArray& utf8, const ChunkSink& sink, const WordSink& words,
                          bool phonemeInput);
    bool synthesizeFlite(const VoiceDefinition& voice, const ProsodySettings& prosody,
                         const QByteArray& utf8, const ChunkSink& sink, const WordSink& words);

    std::mutex m_mutex;
    bool m_initialised = false;
    bool m_espeakReady = false;
    QString m_espeakError;
    int m_espeakRate = 22050;
    QByteArray m_espeakVoice;
    QStringList m_variants;
    QList<VoiceCatalog::Language> m_languages;
};

} // namespace speech
