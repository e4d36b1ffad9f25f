#include "render/RenderCommand.h"

#include "audio/AudioOutput.h"
#include "platform/FileError.h"
#include "platform/OutputClaim.h"
#include "recording/ChapterMarker.h"
#include "recording/CueSheet.h"
#include "recording/ReadAlongBook.h"
#include "recording/SubtitleWriter.h"
#include "render/DocumentInput.h"
#include "speech/LexiconFile.h"
#include "speech/SpeechEngines.h"
#include "speech/SpeechRenderer.h"
#include "speech/VoiceCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace render {

namespace {

std::atomic<bool> stopping{false};
std::atomic<int> interruptSignal{0};

// The sound written to standard output (-o -) is rendered into a file of its own first,
// so that its header knows its length, and then sent.
const QString kStandardOutput = QStringLiteral("-");

// One output to write: where its text comes from, and which part of it.
struct Output
{
    QString from;   // the input as the result lines name it
    QString target; // the sound file
    QString timing; // its timing file, or empty
    QString cue;    // the cue sheet beside a wave file with chapters, or empty
    QString title;
    QString text;
    recording::SpokenBook book; // its chapters placed in the text
    // Held while the output is written, so no other render writes the same files.
    QList<std::shared_ptr<platform::OutputClaim>> claims;
};

void print(FILE* stream, const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The file a path names once its links are followed, so that two names of one file
// compare equal, for files that are not there yet too.
QString resolvedPath(const QString& path)
{
    const QFileInfo info(path);
    if (const QString canonical = info.canonicalFilePath(); !canonical.isEmpty()) {
        return canonical;
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

class ProgressBar
{
public:
    ProgressBar(FILE* stream) : m_stream(stream), m_shown(isatty(fileno(stream)) != 0) {}

    void show(const QString& name, qsizetype done, qsizetype total)
    {
        if (!m_shown) {
            return;
        }
        constexpr int Width = 30;
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        if (percent == m_percent) {
            return;
        }
        m_percent = percent;
        const int filled = percent * Width / 100;
        std::fprintf(m_stream, "\r[%s%s] %3d%% %s\033[K", QByteArray(filled, '#').constData(),
                     QByteArray(Width - filled, ' ').constData(), percent,
                     qPrintable(QFileInfo(name).fileName()));
        std::fflush(m_stream);
    }

    void clear()
    {
        if (m_shown && m_percent >= 0) {
            std::fputs("\r\033[K", m_stream);
            std::fflush(m_stream);
        }
        m_percent = -1;
    }

private:
    FILE* m_stream;
    bool m_shown;
    int m_percent = -1;
};

// The outputs of one input: one file, or numbered parts, or parts named by their chapters'
// numbers and titles.
QString partTarget(const QString& target, int part, const QString& name = {})
{
    if (part == 0 && name.isEmpty()) {
        return target;
    }
    const QFileInfo info(target);
    return QDir::cleanPath(info.dir().filePath(
        QStringLiteral("%1-%2.%3")
            .arg(info.completeBaseName(),
                 name.isEmpty() ? QStringLiteral("%1").arg(part, 3, 10, QLatin1Char('0')) : name,
                 info.suffix())));
}

// A part of an input that becomes an output of its own.
struct Part
{
    QString text;
    QList<recording::TextChapter> chapters;
    QString name; // for the file name, when named by its chapter
};

QList<recording::TextChapter> textChapters(const QList<documents::Chapter>& chapters)
{
    QList<recording::TextChapter> placed;
    placed.reserve(chapters.size());
    for (const documents::Chapter& chapter : chapters) {
        placed.append({chapter.title, chapter.textStart});
    }
    return placed;
}

// The input's parts as the options cut it. Cut at chapters, the text before the first one
// is numbered 0 and each chapter from 1, wide enough for them all to sort in order.
QList<Part> partsOf(const documents::DocumentText& document, const RenderOptions& options)
{
    const QList<documents::Chapter>& chapters = document.outline.chapters;
    QList<Part> parts;
    if (options.split == RenderOptions::Split::Chapters && !chapters.isEmpty()) {
        const QList<documentinput::ChapterPart> cut =
            documentinput::splitAtChapters(document.text, chapters);
        const int width = std::max(2, int(QString::number(chapters.size()).size()));
        int number = cut.first().chapter.title.isEmpty() ? 0 : 1;
        for (const auto& [text, chapter] : cut) {
            const QString title = documentinput::fileNameTitle(chapter.title);
            QString name = QStringLiteral("%1").arg(number++, width, 10, QLatin1Char('0'));
            if (!title.isEmpty()) {
                name += QLatin1Char(' ') + title;
            }
            parts.append({text,
                          textChapters(chapter.title.isEmpty() ? QList<documents::Chapter>()
                                                               : QList{chapter}),
                          name});
        }
    } else if (options.split == RenderOptions::Split::Chapters) {
        for (const QString& text : documentinput::splitAtHeadings(document.text)) {
            parts.append({text, {}, {}});
        }
    } else if (options.split == RenderOptions::Split::Paragraphs) {
        // The paragraphs are joined anew, so each part finds its headings again.
        for (const QString& text :
             documentinput::splitEveryParagraphs(document.text, options.paragraphsPerPart)) {
            parts.append({text, textChapters(documents::locateHeadings(chapters, text)), {}});
        }
    } else {
        parts.append({document.text, textChapters(chapters), {}});
    }
    return parts;
}

// One line for the files of a folder that are left out, naming a few of them.
QString skippedLine(const QString& folder, const QStringList& files, const QString& why)
{
    constexpr qsizetype Named = 3;
    QStringList names;
    for (qsizetype i = 0; i < std::min(files.size(), Named); ++i) {
        names.append(native(files.at(i)));
    }
    if (files.size() > Named) {
        names.append(QStringLiteral("..."));
    }
    return QStringLiteral("skipped %1 file(s) in %2 that %3: %4")
        .arg(files.size())
        .arg(native(folder), why, names.join(QStringLiteral(", ")));
}

// Result lines and the progress bar, from any number of rendering threads. The bar
// shows the outputs being rendered together, and steps aside for each result line.
class Reporter
{
public:
    Reporter(FILE* out, FILE* err) : m_out(out), m_err(err), m_bar(err) {}

    // Results go to standard output, failures to standard error.
    void line(const QString& text, bool failed = false)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bar.clear();
        print(failed ? m_err : m_out, text);
        m_failures += failed ? 1 : 0;
        showBar();
    }

    void progress(const QString& target, qsizetype done, qsizetype total)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_rendering[target] = {done, total};
        showBar();
    }

    void finished(const QString& target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_rendering.remove(target);
        m_bar.clear();
        showBar();
    }

    int failures() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failures;
    }

private:
    void showBar()
    {
        if (m_rendering.isEmpty()) {
            return;
        }
        qsizetype done = 0;
        qsizetype total = 0;
        for (const auto& [d, t] : std::as_const(m_rendering)) {
            done += d;
            total += t;
        }
        m_bar.show(m_rendering.size() == 1 ? m_rendering.firstKey()
                                           : QStringLiteral("%1 files").arg(m_rendering.size()),
                   done, total);
    }

    mutable std::mutex m_mutex;
    FILE* m_out;
    FILE* m_err;
    ProgressBar m_bar;
    QMap<QString, std::pair<qsizetype, qsizetype>> m_rendering;
    int m_failures = 0;
};

// The outputs of the inputs, one at a time and in order: each input is read when its
// first output is asked for, so a large collection is never held in memory at once.
// Inputs and outputs that cannot be rendered are reported here and passed over.
class OutputQueue
{
public:
    OutputQueue(const RenderOptions& options, const QStringList& files, const QList<QString>& roots,
                bool outputIsFile, recording::SoundFormat format, const QString& suffix,
                const QByteArray& cover, Reporter& report)
        : m_options(options), m_files(files), m_roots(roots), m_outputIsFile(outputIsFile),
          m_wave(format == recording::SoundFormat::Wave), m_suffix(suffix), m_cover(cover),
          m_report(report)
    {
        QMap<QString, int> stems;
        for (const QString& file : files) {
            if (file != QLatin1String("-")) {
                m_inputs.insert(resolvedPath(file));
                ++stems[stemKey(file)];
            }
        }
        for (auto it = stems.cbegin(); it != stems.cend(); ++it) {
            if (it.value() > 1) {
                m_sharedStems.insert(it.key());
            }
        }
    }

    std::optional<Output> next()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (!stopping.load()) {
            if (m_part >= m_parts.size()) {
                if (m_file >= m_files.size()) {
                    return std::nullopt;
                }
                readInput(m_file++);
                continue;
            }
            const qsizetype p = m_part++;
            if (std::optional<Output> output = prepare(p)) {
                return output;
            }
        }
        return std::nullopt;
    }

private:
    void readInput(qsizetype i)
    {
        m_parts.clear();
        m_part = 0;
        const QString& input = m_files.at(i);
        const bool standardInput = input == QLatin1String("-");
        m_from = native(input);
        if (m_outputIsFile) {
            m_target = m_options.output;
        } else {
            // Documents that differ only in their extension keep it, or all but one would
            // want the same output.
            const QString base = standardInput ? QStringLiteral("stdin")
                                 : m_sharedStems.contains(stemKey(input))
                                     ? QFileInfo(input).fileName()
                                     : QFileInfo(input).completeBaseName();
            QString folder = m_options.output;
            if (folder.isEmpty()) {
                folder = QFileInfo(input).path();
            } else if (!m_roots.at(i).isEmpty()) {
                folder =
                    QDir(folder).filePath(QDir(QFileInfo(m_roots.at(i)).absoluteFilePath())
                                              .relativeFilePath(QFileInfo(input).absolutePath()));
            }
            m_target = QDir::cleanPath(QDir(folder).filePath(base + QLatin1Char('.') + m_suffix));
        }
        // An empty file and one of blanks alike hold nothing to speak: in a folder they are
        // passed over like the other files that hold no document, named on their own they
        // fail.
        const bool empty = !standardInput && QFileInfo(input).size() == 0;
        using Read = platform::Result<documents::DocumentText>;
        const Read read =
            standardInput ? Read(documentinput::readStandardInput([] { return stopping.load(); }))
            : empty       ? Read(documents::DocumentText())
                          : documentinput::readDocument(input);
        if (stopping.load()) {
            return;
        }
        if (!read) {
            m_report.line(QStringLiteral("failed  %1: %2").arg(m_from, read.error()), true);
            return;
        }
        const QList<Part> parts = partsOf(read.value(), m_options);
        if (parts.isEmpty() || (parts.size() == 1 && parts.first().text.trimmed().isEmpty())) {
            const bool inFolder = !m_roots.at(i).isEmpty();
            m_report.line(
                QStringLiteral("%1 %2: contains no text to speak")
                    .arg(inFolder ? QStringLiteral("skipped") : QStringLiteral("failed "), m_from),
                !inFolder);
            return;
        }
        m_parts = parts;
        m_title = standardInput ? QString() : QFileInfo(input).completeBaseName();
        const documents::DocumentOutline& outline = read.value().outline;
        m_book.title = m_options.title.value_or(outline.title);
        m_book.author = m_options.author.value_or(outline.author);
        m_book.cover = !m_options.cover.isEmpty() ? m_cover
                       : outline.cover            ? outline.cover->data
                                                  : QByteArray();
        m_book.noChapters = m_options.noChapters;
    }

    std::optional<Output> prepare(qsizetype p)
    {
        const bool split = m_options.split != RenderOptions::Split::None;
        Output output;
        output.from = m_from;
        const Part& part = m_parts.at(p);
        output.target = partTarget(m_target, split ? int(p + 1) : 0, part.name);
        output.text = part.text;
        const QString title = m_book.title.isEmpty() ? m_title : m_book.title;
        output.title = m_parts.size() > 1 ? QStringLiteral("%1 (%2)").arg(title).arg(p + 1) : title;
        output.book = m_book;
        output.book.chapters = part.chapters;
        if (!m_book.title.isEmpty()) {
            output.book.title = output.title;
        }
        if (output.target == kStandardOutput) {
            // Nothing on the disk to refuse, claim or overwrite.
            if (m_options.dryRun) {
                m_report.line(QStringLiteral("would write  %1 -> standard output").arg(m_from));
                return std::nullopt;
            }
            return output;
        }
        if (m_options.timings) {
            output.timing = QDir::cleanPath(
                recording::SubtitleWriter::pathFor(output.target, *m_options.timings));
        }
        // A wave file's chapters go into a cue sheet beside it, written and refused as the
        // timing files are.
        if (m_wave && !m_options.readAlong && !output.book.noChapters &&
            !output.book.chapters.isEmpty()) {
            output.cue = QDir::cleanPath(recording::cueSheetPath(output.target));
        }
        QStringList paths{output.target};
        for (const QString& beside : {output.timing, output.cue}) {
            if (!beside.isEmpty()) {
                paths.append(beside);
            }
        }
        for (const QString& path : paths) {
            if (const QString why = refusal(path); !why.isEmpty()) {
                m_report.line(QStringLiteral("failed  %1: %2 %3").arg(m_from, native(path), why),
                              true);
                return std::nullopt;
            }
        }
        for (const QString& path : paths) {
            m_written.insert(resolvedPath(path));
        }
        if (m_options.dryRun) {
            if (!refuseExisting(paths)) {
                return std::nullopt;
            }
            for (const QString& path : paths) {
                m_report.line(QStringLiteral("would write  %1 -> %2").arg(m_from, native(path)));
            }
            return std::nullopt;
        }
        const QString folder = QFileInfo(output.target).absolutePath();
        if (!QDir().mkpath(folder)) {
            m_report.line(QStringLiteral("failed  %1: the folder %2 cannot be made")
                              .arg(m_from, native(folder)),
                          true);
            return std::nullopt;
        }
        // Claimed before looking whether the files exist: a render that claims them after
        // this one let go finds them written.
        for (const QString& path : paths) {
            auto claim = platform::OutputClaim::take(path);
            if (!claim) {
                m_report.line(
                    QStringLiteral("failed  %1: %2 %3").arg(m_from, native(path), claim.error()),
                    true);
                return std::nullopt;
            }
            output.claims.append(std::move(claim).value());
        }
        if (!refuseExisting(paths)) {
            return std::nullopt;
        }
        return output;
    }

    // False, said, when one of the paths is there to be overwritten without --force.
    bool refuseExisting(const QStringList& paths)
    {
        for (const QString& path : paths) {
            if (!m_options.force && QFileInfo(path).exists()) {
                m_report.line(QStringLiteral("failed  %1: %2 exists (--force overwrites it)")
                                  .arg(m_from, native(path)),
                              true);
                return false;
            }
        }
        return true;
    }

    // Why nothing may be written at the path, or empty. An existing file is only looked at
    // once the path is claimed.
    QString refusal(const QString& path) const
    {
        const QString resolved = resolvedPath(path);
        if (m_inputs.contains(resolved)) {
            return QStringLiteral("is an input of this run; an output never replaces an input");
        }
        if (m_written.contains(resolved)) {
            return QStringLiteral("is already an output of this run");
        }
        if (const QString kind = platform::notRegularFileKind(path); !kind.isEmpty()) {
            return QStringLiteral("is %1; only regular files are written").arg(kind);
        }
        return {};
    }

    static QString stemKey(const QString& file)
    {
        const QFileInfo info(file);
        return QDir(info.absolutePath()).filePath(info.completeBaseName());
    }

    std::mutex m_mutex;
    const RenderOptions& m_options;
    const QStringList& m_files;
    const QList<QString>& m_roots;
    const bool m_outputIsFile;
    const bool m_wave;
    const QString m_suffix;
    const QByteArray m_cover; // --cover's picture
    Reporter& m_report;
    QSet<QString> m_written; // outputs handed out, links followed
    QSet<QString> m_inputs;  // links followed
    QSet<QString> m_sharedStems;
    qsizetype m_file = 0;
    // The input being handed out.
    QString m_from;
    QString m_target;
    QString m_title;
    recording::SpokenBook m_book; // without its chapters, which each part has of its own
    QList<Part> m_parts;
    qsizetype m_part = 0;
};

// The finished file's bytes, whole, to standard output.
platform::Result<void> sendToStandardOutput(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return platform::Failure{file.errorString()};
    }
    std::fflush(stdout);
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 16);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError) {
            return platform::Failure{file.errorString()};
        }
        for (qsizetype sent = 0; sent < chunk.size();) {
            const ssize_t done =
                ::write(STDOUT_FILENO, chunk.constData() + sent, size_t(chunk.size() - sent));
            if (done < 0 && errno == EINTR && !stopping.load()) {
                continue;
            }
            if (done <= 0) {
                return platform::Failure{platform::fileErrorText(errno)};
            }
            sent += done;
        }
    }
    return {};
}

void renderOutput(const Output& output, const RenderOptions& options,
                  const speech::VoiceDefinition& voice, const speech::Lexicon& lexicon, int speed,
                  int tone, recording::SoundFormat format, int jobs, Reporter& report)
{
    const bool toStandardOutput = output.target == kStandardOutput;
    QTemporaryDir aside;
    // A read-along book holds its recording: made aside, then put into the book.
    const QString written =
        toStandardOutput || options.readAlong
            ? aside.filePath(QStringLiteral("recording.") + recording::extension(format))
            : output.target;
    recording::SoundFileWriter writer(written, audio::AudioOutput::SampleRate, format,
                                      output.title);
    if (const std::optional<recording::BookTags> tags =
            recording::ChapterMarker::tagsFor(output.book, format, output.title)) {
        writer.setTags(*tags);
    }
    recording::ChapterMarker chapters(output.book);
    const auto cannotWrite = [&](const QString& path, const QString& reason) {
        report.line(QStringLiteral("failed  %1: %2 cannot be written: %3")
                        .arg(output.from, native(path), reason),
                    true);
    };
    if (!writer.open()) {
        cannotWrite(output.target, writer.errorString());
        return;
    }
    recording::SubtitleWriter timings(output.text, audio::AudioOutput::SampleRate);
    speech::SpeechRenderer::Request request;
    request.text = output.text;
    request.voice = voice;
    request.lexicon = lexicon;
    request.prosody = voice.prosody(speed, tone);
    request.outputRate = audio::AudioOutput::SampleRate;
    request.jobs = jobs;
    request.cancelled = [] { return stopping.load(); };
    if (options.timings || options.readAlong || chapters.placing()) {
        request.words = [&](const recording::WordTiming& word) {
            timings.addWord(word);
            if (const std::optional<recording::ChapterMark> mark = chapters.addWord(word)) {
                writer.addChapter(*mark);
            }
        };
    }
    // Smaller pieces let short texts (the tests') spread over the workers too.
    if (const int length = qEnvironmentVariableIntValue("PARLANZA_RENDER_PIECE_CHARS");
        length > 0) {
        request.pieceLength = length;
    }
    const speech::SpeechRenderer::Sink sink = [&](const qint16* samples, qsizetype count) {
        return !stopping.load() && writer.write(samples, count);
    };
    const speech::SpeechRenderer::Progress progress = [&](qsizetype done, qsizetype total) {
        report.progress(output.target, done, total);
    };
    QString reason;
    const bool complete = speech::SpeechRenderer::render(request, sink, progress, &reason);
    report.finished(output.target);
    if (stopping.load()) {
        writer.cancel();
        return;
    }
    if (!complete || !writer.commit()) {
        writer.cancel();
        if (writer.errorString().isEmpty()) {
            report.line(QStringLiteral("failed  %1: %2").arg(output.from, reason), true);
        } else {
            cannotWrite(output.target, writer.errorString());
        }
        return;
    }
    if (options.readAlong) {
        recording::ReadAlongBook::Content book =
            recording::ReadAlongBook::contentFor(output.text, output.book, output.title);
        book.sentences = timings.sentences(writer.samplesWritten());
        book.language = voice.language();
        book.audioPath = written;
        if (const platform::Result<void> made =
                recording::ReadAlongBook::write(output.target, book);
            !made) {
            cannotWrite(output.target, made.error());
            return;
        }
    }
    if (toStandardOutput) {
        if (const platform::Result<void> sent = sendToStandardOutput(written); !sent) {
            report.line(QStringLiteral("failed  %1: standard output cannot be written: %2")
                            .arg(output.from, sent.error()),
                        true);
            return;
        }
    }
    report.line(
        QStringLiteral("written %1 -> %2 (%3 s)")
            .arg(output.from,
                 toStandardOutput ? QStringLiteral("standard output") : native(output.target))
            .arg(double(writer.samplesWritten()) / audio::AudioOutput::SampleRate, 0, 'f', 1));
    if (const std::optional<recording::SideFileFailure> cue = writer.sideFileFailure()) {
        cannotWrite(cue->path, cue->reason);
    } else if (!output.cue.isEmpty()) {
        report.line(QStringLiteral("written %1 -> %2").arg(output.from, native(output.cue)));
    }
    // As in the window, the sound file stays when its timing file cannot be written.
    if (options.timings) {
        const platform::Result<void> timed =
            timings.write(output.timing, *options.timings, writer.samplesWritten());
        if (timed) {
            report.line(QStringLiteral("written %1 -> %2").arg(output.from, native(output.timing)));
        } else {
            cannotWrite(output.timing, timed.error());
        }
    }
}

} // namespace

void RenderCommand::interrupt(int signal)
{
    int none = 0;
    interruptSignal.compare_exchange_strong(none, signal);
    stopping.store(true);
}

bool RenderCommand::interrupted()
{
    return stopping.load();
}

int RenderCommand::run(const QStringList& arguments, FILE* out, FILE* err)
{
    const platform::Result<RenderOptions> parsed = RenderOptions::parse(arguments);
    if (!parsed) {
        print(err, QStringLiteral("parlanza-render: %1").arg(parsed.error()));
        print(err, QStringLiteral("Try parlanza-render --help."));
        return ExitUsage;
    }
    const RenderOptions& options = parsed.value();
    if (options.help) {
        std::fputs(qPrintable(RenderOptions::usage()), out);
        return ExitDone;
    }
    if (options.version) {
        print(out, QStringLiteral("parlanza-render %1").arg(QStringLiteral(PARLANZA_VERSION)));
        return ExitDone;
    }

    QList<speech::VoiceDefinition> voices;
    {
        speech::SpeechEngines& engines = speech::SpeechEngines::instance();
        auto lock = engines.lock();
        const platform::Result<void> started = engines.initialise();
        if (!started) {
            print(err, QStringLiteral("parlanza-render: %1").arg(started.error()));
        }
        voices = speech::VoiceCatalog::build(engines.espeakVariants(), engines.espeakLanguages());
    }
    if (options.listVoices) {
        for (const speech::VoiceDefinition& voice : voices) {
            print(out, voice.name);
        }
        return ExitDone;
    }
    if (voices.isEmpty()) {
        print(err, QStringLiteral("parlanza-render: no voice can speak."));
        return ExitSomeFailed;
    }

    // The voice, speed and tone as the window takes them.
    speech::VoiceDefinition voice = voices.constFirst();
    if (!options.voice.isEmpty()) {
        const auto found = std::find_if(voices.begin(), voices.end(), [&](const auto& v) {
            return v.name.compare(options.voice, Qt::CaseInsensitive) == 0;
        });
        if (found == voices.end()) {
            print(err, QStringLiteral("parlanza-render: there is no voice \"%1\"; "
                                      "parlanza-render --list-voices shows them.")
                           .arg(options.voice));
            return ExitUsage;
        }
        voice = *found;
    }
    const int speed = options.speed.value_or(voice.ownSpeed);
    const int tone = options.tone.value_or(voice.ownPitch);
    if (!voice.accepts(speed, tone)) {
        print(err, QStringLiteral("parlanza-render: %1 (%2: speed %3..%4, tone %5..%6)")
                       .arg(speech::VoiceCatalog::refusalMessage(), voice.name)
                       .arg(voice.minSpeed)
                       .arg(voice.maxSpeed)
                       .arg(voice.minPitch)
                       .arg(voice.maxPitch));
        return ExitUsage;
    }

    // A lexicon asked for by name must be whole; the user's own, when damaged, is left
    // out with a warning, as the window leaves it out.
    speech::Lexicon lexicon;
    if (!options.noLexicon) {
        const bool named = !options.lexicon.isEmpty();
        const QString path = named ? options.lexicon : speech::lexicon_file::userPath();
        if (named && !QFileInfo(path).isFile()) {
            print(err, QStringLiteral("parlanza-render: the lexicon %1 does not exist.")
                           .arg(native(path)));
            return ExitUsage;
        }
        const platform::Result<QList<speech::LexiconEntry>> loaded =
            speech::lexicon_file::load(path);
        if (loaded) {
            lexicon = speech::Lexicon(loaded.value());
        } else if (named) {
            print(err, QStringLiteral("parlanza-render: %1").arg(loaded.error()));
            print(err, QStringLiteral("Try parlanza-render --help."));
            return ExitUsage;
        } else {
            print(err, QStringLiteral("parlanza-render: warning: %1; rendering without it.")
                           .arg(loaded.error()));
        }
    }

    // A cover must be a picture: anything else is a mistake on the command line, not a cover
    // to leave out of every output.
    QByteArray cover;
    if (!options.cover.isEmpty()) {
        QFile file(options.cover);
        if (!file.open(QIODevice::ReadOnly)) {
            print(err, QStringLiteral("parlanza-render: the cover %1 cannot be read: %2")
                           .arg(native(options.cover), file.errorString()));
            return ExitUsage;
        }
        cover = file.readAll();
        if (QImage::fromData(cover).isNull()) {
            print(err, QStringLiteral("parlanza-render: the cover %1 is not a picture (JPEG, PNG "
                                      "or another kind Qt reads).")
                           .arg(native(options.cover)));
            print(err, QStringLiteral("Try parlanza-render --help."));
            return ExitUsage;
        }
    }

    // Where each input goes.
    QStringList files;
    QList<QString> roots; // the folder an input was found in, for its place in the output
    QList<QString> missing;
    QList<QString> refused; // sound and timing files, which are never read
    QStringList unreadable; // one failure line for each folder that cannot be read
    QStringList skipped;    // one line for each folder that holds other files
    for (const QString& input : options.inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            const documentinput::FolderFiles found = documentinput::filesIn(input);
            for (const QString& file : found.documents) {
                files.append(file);
                roots.append(input);
            }
            if (!found.outputs.isEmpty()) {
                skipped.append(
                    skippedLine(input, found.outputs, QStringLiteral("are sound or timing files")));
            }
            if (!found.skipped.isEmpty()) {
                skipped.append(
                    skippedLine(input, found.skipped, QStringLiteral("hold no document")));
            }
            if (!found.brokenLinks.isEmpty()) {
                skipped.append(skippedLine(input, found.brokenLinks,
                                           QStringLiteral("are links leading nowhere")));
            }
            for (const auto& [folder, reason] : found.unreadable) {
                unreadable.append(QStringLiteral("failed  %1: the folder cannot be read: %2")
                                      .arg(native(folder), reason));
            }
            if (found.documents.isEmpty() && found.outputs.isEmpty() && found.skipped.isEmpty() &&
                found.brokenLinks.isEmpty() && found.unreadable.isEmpty()) {
                skipped.append(QStringLiteral("skipped %1: the folder holds no files (hidden "
                                              "ones are left out)")
                                   .arg(native(input)));
            }
        } else if (info.exists() && documentinput::isOutputFile(input)) {
            refused.append(input);
        } else if (input == QLatin1String("-") || info.exists()) {
            files.append(input);
            roots.append(QString());
        } else {
            missing.append(input);
        }
    }
    const QFileInfo outputInfo(options.output);
    const bool outputIsFile =
        !options.output.isEmpty() && options.split == RenderOptions::Split::None &&
        files.size() + missing.size() + refused.size() == 1 && options.inputs.size() == 1 &&
        !QFileInfo(options.inputs.first()).isDir() && !outputInfo.isDir() &&
        !options.output.endsWith(QLatin1Char('/'));
    const bool toStandardOutput = options.output == kStandardOutput;
    // The sound format -o asks for by its name, checked here once. A read-along book is an
    // EPUB file with an MP3 recording inside.
    const platform::Result<recording::SoundFormat> named =
        !options.readAlong ? recording::formatForPath(options.output)
        : recording::ReadAlongBook::isBookPath(options.output)
            ? platform::Result<recording::SoundFormat>(recording::SoundFormat::Mp3)
            : platform::Result<recording::SoundFormat>(platform::Failure{
                  QStringLiteral("a read-along book is an EPUB file: name it NAME.epub.")});
    // -o naming a sound file, or standard output, takes exactly one output.
    if (toStandardOutput || (!outputInfo.suffix().isEmpty() && !outputInfo.isDir() &&
                             !options.output.endsWith(QLatin1Char('/')) && named)) {
        QStringList several;
        if (options.split != RenderOptions::Split::None) {
            several << QStringLiteral("--split");
        }
        if (options.inputs.size() > 1) {
            several << QStringLiteral("several inputs");
        }
        if (std::any_of(options.inputs.cbegin(), options.inputs.cend(),
                        [](const QString& input) { return QFileInfo(input).isDir(); })) {
            several << QStringLiteral("a folder as input");
        }
        if (!several.isEmpty()) {
            print(err, QStringLiteral("parlanza-render: -o %1 names one output, but %2 make "
                                      "several; give a folder.")
                           .arg(options.output, several.join(QStringLiteral(" and "))));
            return ExitUsage;
        }
    }
    if (toStandardOutput && options.readAlong) {
        print(err, QStringLiteral("parlanza-render: --read-along writes a book file; with -o - "
                                  "there is none."));
        return ExitUsage;
    }
    if (toStandardOutput && options.timings) {
        print(err, QStringLiteral("parlanza-render: --timings writes files beside the sound; "
                                  "with -o - there is none."));
        return ExitUsage;
    }
    if (outputIsFile && !toStandardOutput && options.format) {
        if (named && named.value() != *options.format) {
            print(err, QStringLiteral("parlanza-render: --format %1 does not match %2; give one "
                                      "or the other.")
                           .arg(recording::extension(*options.format), options.output));
            return ExitUsage;
        }
    }
    recording::SoundFormat format = options.format.value_or(
        options.readAlong ? recording::SoundFormat::Mp3 : recording::SoundFormat::Wave);
    if (outputIsFile && !options.format && !toStandardOutput) {
        if (!named) {
            print(err, QStringLiteral("parlanza-render: %1").arg(named.error()));
            return ExitUsage;
        }
        format = named.value();
    }
    if (options.output.isEmpty() && files.contains(QStringLiteral("-"))) {
        print(err, QStringLiteral("parlanza-render: standard input needs --output."));
        return ExitUsage;
    }

    for (const QString& line : std::as_const(skipped)) {
        print(out, line);
    }
    int failures = 0;
    for (const QString& line : std::as_const(unreadable)) {
        print(err, line);
        ++failures;
    }
    for (const QString& input : missing) {
        print(err, QStringLiteral("failed  %1: no such file or folder").arg(native(input)));
        ++failures;
    }
    for (const QString& input : refused) {
        print(err, QStringLiteral("failed  %1: a sound or timing file is an output, never read "
                                  "as a document")
                       .arg(native(input)));
        ++failures;
    }

    speech::SpeechRenderer::setWorkerProgram(
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    // With the sound on standard output, the results go with the failures.
    Reporter report(toStandardOutput ? err : out, err);
    const QString suffix = options.readAlong ? recording::ReadAlongBook::suffix()
                           : options.format  ? options.formatName
                                             : recording::extension(format);
    OutputQueue queue(options, files, roots, outputIsFile, format, suffix, cover, report);
    // Several outputs are rendered side by side, each on its share of the cores: a folder
    // of short texts keeps every core busy instead of waiting at each file's last piece.
    const int lanes = int(std::clamp<qsizetype>(files.size(), 1, std::max(1, options.jobs)));
    const int jobsEach = std::max(1, options.jobs / lanes);
    std::vector<std::thread> threads;
    for (int lane = 0; lane < lanes; ++lane) {
        threads.emplace_back([&] {
            while (const std::optional<Output> output = queue.next()) {
                renderOutput(*output, options, voice, lexicon, speed, tone, format, jobsEach,
                             report);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    failures += report.failures();
    if (stopping.load()) {
        print(err,
              QStringLiteral("parlanza-render: interrupted; the unfinished output was not kept."));
        return ExitSignalBase + interruptSignal.load();
    }
    return failures > 0 ? ExitSomeFailed : ExitDone;
}

} // namespace render
