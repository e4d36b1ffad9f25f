#include "speech/SpeechWorker.h"

#include "audio/AudioRing.h"
#include "recording/ReadAlongBook.h"
#include "recording/SoundFileWriter.h"
#include "recording/SubtitleWriter.h"
#include "speech/SpeechEngines.h"
#include "speech/SpeechRenderer.h"
#include "speech/TextSegmenter.h"
#include "speech/VoiceCatalog.h"
#include "speech/VoicePipeline.h"
#include "speech/WordMarks.h"
#include "speech/WordTimeline.h"

#include <QTemporaryDir>

namespace speech {

namespace {

// A worker thread started before its worker: it loads the engines, then waits for the
// worker that takes it over (or for none, and ends).
struct AheadThread
{
    std::mutex mutex;
    bool waiting = false;
    std::thread thread;
    std::promise<SpeechWorker*> owner;
};

AheadThread& ahead()
{
    static AheadThread thread;
    return thread;
}

// Writes the timing files the recording asked for beside it; the first that fails, if any.
std::optional<recording::SideFileFailure>
writeSubtitles(const SpeechJob& job, const recording::SubtitleWriter& subtitles, qint64 samples)
{
    using Kind = recording::SubtitleWriter::Kind;
    for (const Kind kind : {Kind::Sentences, Kind::Words}) {
        if (!(kind == Kind::Sentences ? job.sentenceCues : job.wordCues)) {
            continue;
        }
        const QString path = recording::SubtitleWriter::pathFor(job.target, kind);
        const platform::Result<void> written = subtitles.write(path, kind, samples);
        if (!written) {
            return recording::SideFileFailure{path, written.error()};
        }
    }
    return std::nullopt;
}

} // namespace

SpeechWorker::SpeechWorker(audio::AudioRing& ring, int outputRate, Callbacks callbacks,
                           WordMarks* words)
    : m_ring(ring), m_words(words), m_outputRate(outputRate), m_callbacks(std::move(callbacks)),
      m_started(m_startedPromise.get_future().share())
{
    AheadThread& waiting = ahead();
    std::lock_guard<std::mutex> lock(waiting.mutex);
    if (waiting.waiting) {
        waiting.waiting = false;
        m_thread = std::move(waiting.thread);
        waiting.owner.set_value(this);
        return;
    }
    m_thread = std::thread([this] { run(); });
}

bool SpeechWorker::startAhead()
{
    AheadThread& waiting = ahead();
    std::lock_guard<std::mutex> lock(waiting.mutex);
    if (waiting.waiting) {
        return false;
    }
    waiting.owner = std::promise<SpeechWorker*>();
    waiting.thread = std::thread([owner = waiting.owner.get_future()]() mutable {
        {
            SpeechEngines& engines = SpeechEngines::instance();
            auto lock = engines.lock();
            // A failure is reported by the worker, which asks again.
            (void)engines.initialise();
        }
        if (SpeechWorker* worker = owner.get()) {
            worker->run();
        }
    });
    waiting.waiting = true;
    return true;
}

void SpeechWorker::endUnusedAhead()
{
    std::thread unused;
    {
        AheadThread& waiting = ahead();
        std::lock_guard<std::mutex> lock(waiting.mutex);
        if (!waiting.waiting) {
            return;
        }
        waiting.waiting = false;
        waiting.owner.set_value(nullptr);
        unused = std::move(waiting.thread);
    }
    unused.join();
}

SpeechWorker::~SpeechWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_jobs.clear();
    }
    m_generation.store(~quint64(0));
    m_wake.notify_all();
    m_thread.join();
}

QList<VoiceDefinition> SpeechWorker::voices()
{
    m_started.wait();
    return m_voices;
}

QString SpeechWorker::startError()
{
    m_started.wait();
    return m_startError;
}

void SpeechWorker::enqueue(SpeechJob job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void SpeechWorker::cancelBefore(quint64 generation)
{
    std::deque<SpeechJob> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_generation.store(generation);
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            if (it->generation < generation) {
                dropped.push_back(std::move(*it));
                it = m_jobs.erase(it);
            } else {
                ++it;
            }
        }
    }
    // A recording that never started leaves the target alone but still ends.
    for (const SpeechJob& job : dropped) {
        if (!job.target.isEmpty() && m_callbacks.recordingFinished) {
            m_callbacks.recordingFinished(job.id);
        }
    }
}

bool SpeechWorker::busy() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running || !m_jobs.empty();
}

void SpeechWorker::run()
{
    {
        SpeechEngines& engines = SpeechEngines::instance();
        auto lock = engines.lock();
        m_startError = engines.initialise().error();
        m_voices = VoiceCatalog::build(engines.espeakVariants(), engines.espeakLanguages());
    }
    m_startedPromise.set_value();

    while (true) {
        SpeechJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_running = false;
            m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
            if (m_quit) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_running = true;
        }
        speak(job);
    }
}

void SpeechWorker::speak(const SpeechJob& job)
{
    // A recording renders on every core; only speaking aloud goes through the ring.
    if (!job.target.isEmpty()) {
        record(job);
        return;
    }
    const VoicePipeline::Sink sink = [&](const qint16* samples, qsizetype count) {
        return current(job) && m_ring.write(samples, count, job.generation);
    };

    // Where each word is heard: a mark in the ring for the output.
    const qint64 ringStart = m_ring.writePosition();
    SpeechEngines& engines = SpeechEngines::instance();
    {
        auto lock = engines.lock();
        VoicePipeline pipeline(engines.sampleRate(job.voice), m_outputRate, job.prosody.sonicSpeed,
                               job.voice.effect);
        qint64 engineSamples = 0;
        const SpeechEngines::ChunkSink engineSink = [&](const qint16* samples, qsizetype count) {
            engineSamples += count;
            return pipeline.process(samples, count, sink);
        };
        WordTimeline timeline(
            job.text, [&pipeline](qint64 sample) { return pipeline.outputPosition(sample); });
        SpeechEngines::WordSink wordSink;
        if (m_words != nullptr) {
            wordSink = [&](const SpeechEngines::WordEvent& event) {
                if (const std::optional<recording::WordTiming> word = timeline.place(event)) {
                    m_words->add(
                        {ringStart + word->sample, job.id, word->textStart, word->textLength},
                        job.generation);
                }
            };
        }
        TextSegmenter segments(job.text);
        while (const std::optional<QStringView> next = segments.next()) {
            if (!current(job)) {
                break;
            }
            const QStringView piece = *next;
            if (piece.trimmed().isEmpty()) {
                continue;
            }
            // The lexicon goes over each piece as the renderer's does, so that a recording
            // sounds as the text spoken aloud.
            const bool respelled = !job.lexicon.isEmpty();
            const SpokenText spoken =
                respelled ? job.lexicon.applyFor(piece, job.voice) : SpokenText();
            const QByteArray utf8 = respelled ? spoken.text.toUtf8() : piece.toUtf8();
            timeline.beginPiece(piece, utf8, engineSamples, respelled ? &spoken.source : nullptr);
            // Each piece starts from the same engine state, as it does when rendered.
            engines.beginUtterance();
            // A failing engine skips the piece rather than the rest of the text.
            engines.synthesize(job.voice, job.prosody, utf8, engineSink, wordSink, spoken.phonemes);
        }
        if (current(job)) {
            pipeline.finish(sink);
        }
    }
    m_ring.markEnd(job.id, job.generation);
}

void SpeechWorker::record(const SpeechJob& job)
{
    if (!job.format) {
        m_callbacks.recordingFailed(job.id, job.target, job.format.error());
        return;
    }
    // A book's recording is made aside and goes into the book once whole.
    std::optional<QTemporaryDir> aside;
    QString soundPath = job.target;
    if (job.readAlong) {
        aside.emplace();
        if (!aside->isValid()) {
            m_callbacks.recordingFailed(job.id, job.target, aside->errorString());
            return;
        }
        soundPath = aside->filePath(QStringLiteral("recording.") +
                                    recording::extension(job.format.value()));
    }
    recording::SoundFileWriter writer(soundPath, m_outputRate, job.format.value(), job.title);
    if (const std::optional<recording::BookTags> tags =
            recording::ChapterMarker::tagsFor(job.book, job.format.value(), job.title)) {
        writer.setTags(*tags);
    }
    recording::ChapterMarker chapters(job.book);
    if (!writer.open()) {
        m_callbacks.recordingFailed(job.id, job.target, writer.errorString());
        return;
    }
    SpeechRenderer::Request request;
    request.text = job.text;
    request.voice = job.voice;
    request.prosody = job.prosody;
    request.lexicon = job.lexicon;
    request.outputRate = m_outputRate;
    request.jobs = int(std::max(1U, std::thread::hardware_concurrency()));
    request.cancelled = [&] { return !current(job); };
    const SpeechRenderer::Sink sink = [&](const qint16* samples, qsizetype count) {
        return current(job) && writer.write(samples, count);
    };
    const SpeechRenderer::Progress progress = [&](qsizetype done, qsizetype total) {
        if (m_callbacks.recordingProgress) {
            m_callbacks.recordingProgress(job.id, done, total);
        }
    };
    // Timing files and chapter marks get the words' places from the same render.
    std::optional<recording::SubtitleWriter> subtitles;
    if (job.sentenceCues || job.wordCues || job.readAlong) {
        subtitles.emplace(job.text, m_outputRate);
    }
    if (subtitles || chapters.placing()) {
        request.words = [&](const recording::WordTiming& word) {
            if (subtitles) {
                subtitles->addWord(word);
            }
            if (const std::optional<recording::ChapterMark> mark = chapters.addWord(word)) {
                writer.addChapter(*mark);
            }
        };
    }
    QString reason;
    const bool complete = SpeechRenderer::render(request, sink, progress, &reason);
    if (!current(job)) {
        // Stopped: what was recorded so far is kept, a whole file ending where the speech
        // stopped, with its timing files (RECORD has asked before replacing a file). With
        // nothing recorded yet, the file that was there stays as it was. A book is only
        // written whole: a stopped one leaves the book that was there.
        if (!job.readAlong && writer.samplesWritten() > 0 && writer.commit()) {
            if (subtitles) {
                writeSubtitles(job, *subtitles, writer.samplesWritten());
            }
        } else {
            writer.cancel();
        }
        m_callbacks.recordingFinished(job.id);
    } else if (complete && writer.commit()) {
        if (job.readAlong) {
            recording::ReadAlongBook::Content book = recording::ReadAlongBook::contentFor(
                job.text, job.book, job.book.title.isEmpty() ? job.title : job.book.title);
            book.sentences = subtitles->sentences(writer.samplesWritten());
            book.language = job.voice.language();
            book.audioPath = soundPath;
            if (const platform::Result<void> made =
                    recording::ReadAlongBook::write(job.target, book);
                !made) {
                m_callbacks.recordingFailed(job.id, job.target, made.error());
                return;
            }
        }
        // The sound file is in place; a failed timing file or cue sheet is named on its own.
        std::optional<recording::SideFileFailure> failed =
            subtitles ? writeSubtitles(job, *subtitles, writer.samplesWritten()) : std::nullopt;
        if (!failed) {
            failed = writer.sideFileFailure();
        }
        if (!failed) {
            m_callbacks.recordingFinished(job.id);
        } else {
            m_callbacks.recordingFailed(job.id, failed->path, failed->reason);
        }
    } else {
        writer.cancel();
        m_callbacks.recordingFailed(job.id, job.target,
                                    writer.errorString().isEmpty() ? reason : writer.errorString());
    }
}

} // namespace speech
