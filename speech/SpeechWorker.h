#pragma once

#include "audio/AudioRing.h"
#include "platform/Result.h"
#include "recording/ChapterMarker.h"
#include "recording/SoundFormat.h"
#include "speech/Lexicon.h"
#include "speech/VoiceDefinition.h"

#include <QList>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace speech {

class WordMarks;

// One utterance as the worker receives it.
struct SpeechJob
{
    quint64 id = 0;
    quint64 generation = 0;
    QString text;
    VoiceDefinition voice;
    ProsodySettings prosody;
    Lexicon lexicon; // what the voice says instead of what is written
    QString target;  // empty: into the ring for the output, else a sound file
    // The sound format the target's name asks for, or why it names none.
    platform::Result<recording::SoundFormat> format = recording::SoundFormat::Wave;
    QString title; // the recording's title tag
    // The document's title, author, cover and chapters (placed in text), when it has them.
    recording::SpokenBook book;
    // A recording also writes its timings: name.srt by sentence, name.vtt by word.
    bool sentenceCues = false;
    bool wordCues = false;
    // The target is a read-along book: the recording (in format, MP3) is made aside and put
    // into the book with the text and its sentences' times.
    bool readAlong = false;
};

// The thread that makes every call into the synthesis libraries. It speaks queued jobs
// one after another, clause by clause, into the ring (blocking while it is full) or into
// a sound file as fast as synthesis allows (on every core).
class SpeechWorker
{
public:
    struct Callbacks
    {
        // Called on the worker thread; the owner forwards them to its own thread.
        std::function<void(quint64 id)> recordingFinished;
        std::function<void(quint64 id, const QString& path, const QString& reason)> recordingFailed;
        // Characters of the recording's text rendered so far, of its length.
        std::function<void(quint64 id, qsizetype done, qsizetype total)> recordingProgress;
    };

    // Takes over the thread started by startAhead() when there is one. With word marks,
    // every word spoken into the ring is marked at its place there.
    SpeechWorker(audio::AudioRing& ring, int outputRate, Callbacks callbacks,
                 WordMarks* words = nullptr);
    ~SpeechWorker();
    SpeechWorker(const SpeechWorker&) = delete;
    SpeechWorker& operator=(const SpeechWorker&) = delete;

    // The voices, once the engines have started (waits for that the first time).
    QList<VoiceDefinition> voices();
    QString startError();

    void enqueue(SpeechJob job);
    // Everything of older generations is dropped: queued jobs at once, the running one
    // at its next chunk. Dropped recordings leave their target as it was.
    void cancelBefore(quint64 generation);
    // True while a job is queued or being synthesised.
    bool busy() const;

    // Starts the next worker's thread before that worker exists, so that the engines load
    // while the program builds its window; false when one is already waiting.
    static bool startAhead();
    // Ends the thread startAhead() started if no worker has taken it over.
    static void endUnusedAhead();

private:
    void run();
    void speak(const SpeechJob& job);
    void record(const SpeechJob& job);
    bool current(const SpeechJob& job) const { return job.generation >= m_generation.load(); }

    audio::AudioRing& m_ring;
    WordMarks* m_words;
    int m_outputRate;
    Callbacks m_callbacks;
    std::promise<void> m_startedPromise;
    std::shared_future<void> m_started;
    QList<VoiceDefinition> m_voices;
    QString m_startError;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SpeechJob> m_jobs;
    bool m_quit = false;
    bool m_running = false;
    std::atomic<quint64> m_generation{0};
    std::thread m_thread;
};

} // namespace speech
