#include "speech/SpeechRenderer.h"

#include "platform/ChildProcess.h"
#include "speech/SpeechEngines.h"
#include "speech/TextSegmenter.h"
#include "speech/VoicePipeline.h"
#include "speech/WordTimeline.h"

#include <QDataStream>
#include <QIODevice>
#include <QVector>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <type_traits>
#include <unistd.h>

namespace speech {

namespace {

// How often a render waiting for a worker asks whether it should end.
constexpr std::chrono::milliseconds CancelPoll(50);

// A worker sends a piece's audio as it comes, in chunks of up to this many samples, each
// after its count, and then this count. Nothing of a piece's length is held or faulted in.
constexpr qsizetype WorkerChunk = 32768;
constexpr qint64 WorkerAudioEnd = -1;

using Workers = std::vector<std::unique_ptr<platform::ChildProcess>>;

// Workers stay started between renders (a folder of texts, one recording after another):
// each starts its engines once.
struct WorkerPool
{
    std::mutex mutex;
    QString program;
    Workers idle;
};

WorkerPool& workerPool()
{
    static WorkerPool pool;
    return pool;
}

Workers takeWorkers(qsizetype count)
{
    WorkerPool& pool = workerPool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    Workers workers;
    while (qsizetype(workers.size()) < count && !pool.idle.empty()) {
        workers.push_back(std::move(pool.idle.back()));
        pool.idle.pop_back();
    }
    while (qsizetype(workers.size()) < count && !pool.program.isEmpty()) {
        auto started =
            platform::ChildProcess::start(pool.program, {SpeechRenderer::workerArgument()});
        if (!started) {
            break; // fewer workers, or the serial render when none starts
        }
        workers.push_back(std::move(started).value());
    }
    return workers;
}

void returnWorkers(Workers workers)
{
    WorkerPool& pool = workerPool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    for (auto& worker : workers) {
        pool.idle.push_back(std::move(worker));
    }
}

struct Piece
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool blank = false;
};

// A piece as its engine reads it. The lexicon is applied here, in the parent, piece by
// piece as the window's speech applies it: workers get what to say, and a render sounds
// the same with any number of them.
struct SpokenPiece
{
    QByteArray utf8;
    QVector<SpokenText::Source> source; // empty: the piece as written
    bool phonemes = false;
};

SpokenPiece spokenPiece(const SpeechRenderer::Request& request, const Piece& piece)
{
    const QStringView written = QStringView(request.text).mid(piece.start, piece.length);
    SpokenPiece spoken;
    if (request.lexicon.isEmpty()) {
        spoken.utf8 = written.toUtf8();
        return spoken;
    }
    SpokenText text = request.lexicon.applyFor(written, request.voice);
    spoken.utf8 = text.text.toUtf8();
    spoken.source = std::move(text.source);
    spoken.phonemes = text.phonemes;
    return spoken;
}

using WordEvents = QVector<SpeechEngines::WordEvent>;
// Word events cross from a worker as they are in memory: both ends are this program.
static_assert(std::is_trivially_copyable_v<SpeechEngines::WordEvent>);

// A piece as a worker rendered it: engine audio and, when asked for, its words.
struct RenderedPiece
{
    SpokenPiece spoken;
    QVector<qint16> audio;
    WordEvents words;
};

// The render's words placed as the window's recording places them: each piece's engine
// words counted from the engine samples of the pieces before it.
class RenderWords
{
public:
    RenderWords(const SpeechRenderer::Request& request, const VoicePipeline& pipeline)
        : m_words(request.words), m_text(request.text),
          m_timeline(request.text,
                     [&pipeline](qint64 sample) { return pipeline.outputPosition(sample); })
    {
    }

    bool wanted() const { return bool(m_words); }

    void beginPiece(const Piece& piece, const SpokenPiece& spoken)
    {
        if (wanted()) {
            m_timeline.beginPiece(QStringView(m_text).mid(piece.start, piece.length), spoken.utf8,
                                  m_engineSamples,
                                  spoken.source.isEmpty() ? nullptr : &spoken.source);
        }
    }

    void add(const SpeechEngines::WordEvent& event)
    {
        if (const std::optional<recording::WordTiming> word = m_timeline.place(event)) {
            m_words(*word);
        }
    }

    void addSamples(qsizetype count) { m_engineSamples += count; }

private:
    const SpeechRenderer::Words& m_words;
    const QString& m_text;
    WordTimeline m_timeline;
    qint64 m_engineSamples = 0;
};

QList<Piece> cutPieces(const QString& text, qsizetype length)
{
    QList<Piece> pieces;
    TextSegmenter segments(text, length);
    qsizetype start = 0;
    while (const std::optional<QStringView> piece = segments.next()) {
        pieces.append({start, piece->size(), piece->trimmed().isEmpty()});
        start += piece->size();
    }
    return pieces;
}

// One piece from a fresh engine state into the sink; false when the sink refused.
bool synthesizePiece(SpeechEngines& engines, const VoiceDefinition& voice,
                     const ProsodySettings& prosody, const QByteArray& utf8, bool phonemes,
                     const SpeechEngines::ChunkSink& sink, const SpeechEngines::WordSink& words,
                     bool& refused)
{
    engines.beginUtterance();
    const SpeechEngines::ChunkSink guarded = [&](const qint16* samples, qsizetype count) {
        refused = !sink(samples, count);
        return !refused;
    };
    // A failing engine skips the piece rather than the rest of the text.
    engines.synthesize(voice, prosody, utf8, guarded, words, phonemes);
    return !refused;
}

QByteArray encodeRequest(const SpeechRenderer::Request& request, const SpokenPiece& spoken)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(request.voice.engine) << request.voice.engineVoice
        << qint32(request.prosody.espeakRate) << qint32(request.prosody.espeakPitch)
        << request.prosody.fliteStretch << request.prosody.fliteF0Factor << spoken.utf8
        << bool(request.words) << spoken.phonemes;
    return bytes;
}

bool renderSerially(const SpeechRenderer::Request& request, const QList<Piece>& pieces,
                    VoicePipeline& pipeline, RenderWords& words, const SpeechRenderer::Sink& sink,
                    const SpeechRenderer::Progress& progress)
{
    SpeechEngines& engines = SpeechEngines::instance();
    auto lock = engines.lock();
    const SpeechEngines::ChunkSink engineSink = [&](const qint16* samples, qsizetype count) {
        words.addSamples(count);
        return pipeline.process(samples, count, sink);
    };
    SpeechEngines::WordSink wordSink;
    if (words.wanted()) {
        wordSink = [&words](const SpeechEngines::WordEvent& event) { words.add(event); };
    }
    for (const Piece& piece : pieces) {
        if (!piece.blank) {
            const SpokenPiece spoken = spokenPiece(request, piece);
            words.beginPiece(piece, spoken);
            bool refused = false;
            if (!synthesizePiece(engines, request.voice, request.prosody, spoken.utf8,
                                 spoken.phonemes, engineSink, wordSink, refused)) {
                return false;
            }
        }
        if (progress) {
            progress(piece.start + piece.length, request.text.size());
        }
    }
    return true;
}

// Pieces handed out to worker processes in order, collected in order; a worker takes a
// piece only while few enough finished ones wait, which bounds the memory held.
class ParallelRender
{
public:
    ParallelRender(const SpeechRenderer::Request& request, const QList<Piece>& pieces,
                   Workers workers)
        : m_request(request), m_pieces(pieces), m_workers(std::move(workers)),
          m_rendered(pieces.size()), m_ready(pieces.size(), false),
          m_window(qsizetype(m_workers.size()) * 2)
    {
    }

    bool run(VoicePipeline& pipeline, RenderWords& words, const SpeechRenderer::Sink& sink,
             const SpeechRenderer::Progress& progress, QString* reason)
    {
        std::vector<std::thread> threads;
        for (auto& worker : m_workers) {
            threads.emplace_back([this, process = worker.get()] { feed(*process); });
        }
        bool complete = true;
        for (qsizetype i = 0; i < m_pieces.size(); ++i) {
            RenderedPiece piece;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                while (!m_changed.wait_for(lock, CancelPoll,
                                           [&] { return m_ready[size_t(i)] || m_stop; })) {
                    if (m_request.cancelled && m_request.cancelled()) {
                        m_stop = true;
                    }
                }
                if (!m_ready[size_t(i)]) {
                    complete = false;
                    break;
                }
                std::swap(piece, m_rendered[i]);
                m_consumed = i + 1;
            }
            m_changed.notify_all();
            if (words.wanted() && !m_pieces[i].blank) {
                words.beginPiece(m_pieces[i], piece.spoken);
                for (const SpeechEngines::WordEvent& event : std::as_const(piece.words)) {
                    words.add(event);
                }
            }
            words.addSamples(piece.audio.size());
            const QVector<qint16>& audio = piece.audio;
            if (!audio.isEmpty() && !pipeline.process(audio.constData(), audio.size(), sink)) {
                complete = false;
                break;
            }
            if (progress) {
                progress(m_pieces[i].start + m_pieces[i].length, m_request.text.size());
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            if (reason != nullptr) {
                *reason = m_failure;
            }
        }
        m_changed.notify_all();
        if (!complete) {
            for (auto& worker : m_workers) {
                worker->kill(); // ends a read still waiting for audio
            }
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        if (complete) {
            returnWorkers(std::move(m_workers)); // every answer read: ready for more
        }
        return complete;
    }

private:
    void feed(platform::ChildProcess& process)
    {
        while (true) {
            qsizetype index = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] {
                    return m_stop || m_next >= m_pieces.size() || m_next < m_consumed + m_window;
                });
                if (m_stop || m_next >= m_pieces.size()) {
                    return;
                }
                index = m_next++;
            }
            RenderedPiece piece;
            bool ok = true;
            if (!m_pieces[index].blank) {
                piece.spoken = spokenPiece(m_request, m_pieces[index]);
                const QByteArray request = encodeRequest(m_request, piece.spoken);
                const quint32 size = quint32(request.size());
                qint64 count = 0;
                qint64 wordCount = 0;
                ok = process.writeAll(&size, sizeof(size)) &&
                     process.writeAll(request.constData(), request.size());
                // The audio comes in chunks as it is synthesised, ended by a negative count.
                while (ok && process.readAll(&count, sizeof(count)) && count >= 0) {
                    const qsizetype at = piece.audio.size();
                    piece.audio.resize(at + count);
                    ok = process.readAll(piece.audio.data() + at, count * qint64(sizeof(qint16)));
                }
                ok = ok && count == WorkerAudioEnd &&
                     process.readAll(&wordCount, sizeof(wordCount)) && wordCount >= 0;
                if (ok) {
                    piece.words.resize(wordCount);
                    ok = process.readAll(piece.words.data(),
                                         wordCount * qint64(sizeof(SpeechEngines::WordEvent)));
                }
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!ok) {
                    if (!m_stop) {
                        m_failure = QStringLiteral("A rendering process ended unexpectedly.");
                    }
                    m_stop = true;
                } else {
                    m_rendered[index] = std::move(piece);
                    m_ready[size_t(index)] = true;
                }
            }
            m_changed.notify_all();
            if (!ok) {
                return;
            }
        }
    }

    const SpeechRenderer::Request& m_request;
    const QList<Piece>& m_pieces;
    Workers m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QList<RenderedPiece> m_rendered;
    std::vector<bool> m_ready;
    qsizetype m_window;
    qsizetype m_next = 0;
    qsizetype m_consumed = 0;
    bool m_stop = false;
    QString m_failure;
};

} // namespace

void SpeechRenderer::setWorkerProgram(const QString& program)
{
    Workers ended;
    WorkerPool& pool = workerPool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.program != program) {
        pool.program = program;
        ended.swap(pool.idle);
    }
}

QString SpeechRenderer::workerProgram()
{
    WorkerPool& pool = workerPool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return pool.program;
}

bool SpeechRenderer::render(const Request& request, const Sink& sink, const Progress& progress,
                            QString* reason)
{
    SpeechEngines& engines = SpeechEngines::instance();
    int engineRate = 0;
    {
        auto lock = engines.lock();
        (void)engines.initialise(); // a missing espeak-ng leaves its pieces silent, as spoken
        engineRate = engines.sampleRate(request.voice);
    }
    const QList<Piece> pieces = cutPieces(request.text, request.pieceLength);
    qsizetype work = 0;
    for (const Piece& piece : pieces) {
        work += piece.blank ? 0 : 1;
    }
    Workers workers = takeWorkers(std::clamp<qsizetype>(work, 1, std::max(1, request.jobs)));
    VoicePipeline pipeline(engineRate, request.outputRate, request.prosody.sonicSpeed,
                           request.voice.effect);
    RenderWords words(request, pipeline);
    bool complete = false;
    if (workers.empty()) {
        complete = renderSerially(request, pieces, pipeline, words, sink, progress);
    } else {
        ParallelRender parallel(request, pieces, std::move(workers));
        complete = parallel.run(pipeline, words, sink, progress, reason);
    }
    return complete && pipeline.finish(sink);
}

int SpeechRenderer::serveWorker()
{
    // Audio goes out through a descriptor of its own: anything an engine prints to
    // standard output lands on standard error instead of in the audio.
    const int audioOut = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    SpeechEngines& engines = SpeechEngines::instance();
    auto lock = engines.lock();
    (void)engines.initialise();
    WordEvents words;
    QVector<qint16> chunk;
    chunk.reserve(WorkerChunk);
    const auto sendChunk = [&chunk, audioOut] {
        const qint64 count = chunk.size();
        const bool sent =
            count == 0 || (platform::ChildProcess::writeAllTo(audioOut, &count, sizeof(count)) &&
                           platform::ChildProcess::writeAllTo(audioOut, chunk.constData(),
                                                              count * qint64(sizeof(qint16))));
        chunk.clear();
        return sent;
    };
    const SpeechEngines::ChunkSink send = [&chunk, &sendChunk](const qint16* samples,
                                                               qsizetype count) {
        while (count > 0) {
            const qsizetype n = std::min(count, WorkerChunk - chunk.size());
            const qsizetype at = chunk.size();
            chunk.resize(at + n);
            std::copy(samples, samples + n, chunk.begin() + at);
            samples += n;
            count -= n;
            if (chunk.size() == WorkerChunk && !sendChunk()) {
                return false; // the parent has gone
            }
        }
        return true;
    };
    const SpeechEngines::WordSink collectWords = [&words](const SpeechEngines::WordEvent& word) {
        words.append(word);
    };
    while (true) {
        quint32 size = 0;
        if (!platform::ChildProcess::readAllFrom(STDIN_FILENO, &size, sizeof(size))) {
            return 0; // the input ended: no more work
        }
        QByteArray request(qsizetype(size), Qt::Uninitialized);
        if (!platform::ChildProcess::readAllFrom(STDIN_FILENO, request.data(), size)) {
            return 1;
        }
        QDataStream in(request);
        qint32 engine = 0;
        qint32 rate = 0;
        qint32 pitch = 0;
        VoiceDefinition voice;
        ProsodySettings prosody;
        QByteArray utf8;
        bool timed = false;
        bool phonemes = false;
        in >> engine >> voice.engineVoice >> rate >> pitch >> prosody.fliteStretch >>
            prosody.fliteF0Factor >> utf8 >> timed >> phonemes;
        if (in.status() != QDataStream::Ok) {
            return 1;
        }
        voice.engine =
            engine == qint32(SynthEngine::Flite) ? SynthEngine::Flite : SynthEngine::Espeak;
        prosody.espeakRate = rate;
        prosody.espeakPitch = pitch;
        // espeak-ng keeps state of its own from one text to the next (its pitch flutter
        // and wave generator), out of reach of its interface. Each piece is therefore
        // synthesised in a child forked from the worker as it stood after start-up, so
        // that a piece sounds the same whatever this worker rendered before.
        const pid_t child = fork();
        if (child > 0) {
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                return 1;
            }
            continue;
        }
        words.clear();
        bool refused = false;
        synthesizePiece(engines, voice, prosody, utf8, phonemes, send,
                        timed ? collectWords : SpeechEngines::WordSink(), refused);
        const qint64 end = WorkerAudioEnd;
        const qint64 wordCount = words.size();
        const bool sent =
            !refused && sendChunk() &&
            platform::ChildProcess::writeAllTo(audioOut, &end, sizeof(end)) &&
            platform::ChildProcess::writeAllTo(audioOut, &wordCount, sizeof(wordCount)) &&
            platform::ChildProcess::writeAllTo(
                audioOut, words.constData(), wordCount * qint64(sizeof(SpeechEngines::WordEvent)));
        if (child == 0) {
            _exit(sent ? 0 : 1);
        }
        if (!sent) {
            return 1; // no child could be made: rendered here, but the parent has gone
        }
    }
}

} // namespace speech
