#include "render/RenderCommand.h"

#include "render/DocumentInput.h"
#include "speech/AudioOutput.h"
#include "speech/SpeechEngines.h"
#include "speech/SpeechRenderer.h"
#include "speech/SubtitleWriter.h"
#include "speech/VoiceCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <atomic>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};

// One output to write: where its text comes from, and which part of it.
struct Output
{
    QString input;  // a file, or "-" for standard input
    QString target; // the sound file
    QString title;
    int part = 0; // 1.. when the input is split
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

// The outputs of one input: one file, or numbered parts.
QString partTarget(const QString& target, int part)
{
    if (part == 0) {
        return target;
    }
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral("%1-%2.%3")
                                   .arg(info.completeBaseName())
                                   .arg(part, 3, 10, QLatin1Char('0'))
                                   .arg(info.suffix()));
}

// One line for the files of a folder that are not documents, naming a few of them.
QString skippedLine(const QString& folder, const QStringList& files)
{
    constexpr qsizetype Named = 3;
    QStringList names;
    for (qsizetype i = 0; i < std::min(files.size(), Named); ++i) {
        names.append(native(files.at(i)));
    }
    if (files.size() > Named) {
        names.append(QStringLiteral("..."));
    }
    return QStringLiteral("skipped %1 file(s) in %2 that hold no document: %3")
        .arg(files.size())
        .arg(native(folder), names.join(QStringLiteral(", ")));
}

} // namespace

void RenderCommand::interrupt()
{
    interrupted.store(true);
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

    QList<VoiceDefinition> voices;
    {
        SpeechEngines& engines = SpeechEngines::instance();
        auto lock = engines.lock();
        const platform::Result<void> started = engines.initialise();
        if (!started) {
            print(err, QStringLiteral("parlanza-render: %1").arg(started.error()));
        }
        voices = VoiceCatalog::build(engines.espeakVariants(), engines.espeakLanguages());
    }
    if (options.listVoices) {
        for (const VoiceDefinition& voice : voices) {
            print(out, voice.name);
        }
        return ExitDone;
    }
    if (voices.isEmpty()) {
        print(err, QStringLiteral("parlanza-render: no voice can speak."));
        return ExitSomeFailed;
    }

    // The voice, speed and tone as the window takes them.
    VoiceDefinition voice = voices.constFirst();
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
                       .arg(VoiceCatalog::refusalMessage(), voice.name)
                       .arg(voice.minSpeed)
                       .arg(voice.maxSpeed)
                       .arg(voice.minPitch)
                       .arg(voice.maxPitch));
        return ExitUsage;
    }

    // Where each input goes.
    QStringList files;
    QList<QString> roots; // the folder an input was found in, for its place in the output
    QList<QString> missing;
    QStringList skipped; // one line for each folder that holds other files
    for (const QString& input : options.inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            const documentinput::FolderFiles found = documentinput::filesIn(input);
            for (const QString& file : found.documents) {
                files.append(file);
                roots.append(input);
            }
            if (!found.skipped.isEmpty()) {
                skipped.append(skippedLine(input, found.skipped));
            }
        } else if (input == QLatin1String("-") || info.exists()) {
            files.append(input);
            roots.append(QString());
        } else {
            missing.append(input);
        }
    }
    const QFileInfo outputInfo(options.output);
    const bool outputIsFile = !options.output.isEmpty() &&
                              options.split == RenderOptions::Split::None &&
                              files.size() + missing.size() == 1 && options.inputs.size() == 1 &&
                              !QFileInfo(options.inputs.first()).isDir() && !outputInfo.isDir() &&
                              !options.output.endsWith(QLatin1Char('/'));
    SoundFormat format = options.format.value_or(SoundFormat::Wave);
    if (outputIsFile && !options.format) {
        const std::optional<SoundFormat> named = WaveFileWriter::formatForPath(options.output);
        if (!named) {
            print(err, QStringLiteral("parlanza-render: %1")
                           .arg(WaveFileWriter::unknownFormatMessage(options.output)));
            return ExitUsage;
        }
        format = *named;
    }
    if (options.output.isEmpty() && files.contains(QStringLiteral("-"))) {
        print(err, QStringLiteral("parlanza-render: standard input needs --output."));
        return ExitUsage;
    }

    for (const QString& line : std::as_const(skipped)) {
        print(out, line);
    }
    int failures = 0;
    for (const QString& input : missing) {
        print(out, QStringLiteral("failed  %1: no such file or folder").arg(native(input)));
        ++failures;
    }

    SpeechRenderer::setWorkerProgram(
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    ProgressBar bar(err);
    QSet<QString> written;
    const QString suffix = WaveFileWriter::extension(format);
    for (qsizetype i = 0; i < files.size() && !interrupted.load(); ++i) {
        const QString& input = files.at(i);
        const bool standardInput = input == QLatin1String("-");
        QString target;
        if (outputIsFile) {
            target = options.output;
        } else {
            const QString base =
                standardInput ? QStringLiteral("stdin") : QFileInfo(input).completeBaseName();
            QString folder = options.output;
            if (folder.isEmpty()) {
                folder = QFileInfo(input).path();
            } else if (!roots.at(i).isEmpty()) {
                folder =
                    QDir(folder).filePath(QDir(QFileInfo(roots.at(i)).absoluteFilePath())
                                              .relativeFilePath(QFileInfo(input).absolutePath()));
            }
            target = QDir::cleanPath(QDir(folder).filePath(base + QLatin1Char('.') + suffix));
        }

        const platform::Result<QString> text =
            standardInput ? platform::Result<QString>(documentinput::readStandardInput())
                          : documentinput::readDocument(input);
        if (!text) {
            print(out, QStringLiteral("failed  %1: %2").arg(native(input), text.error()));
            ++failures;
            continue;
        }
        QStringList parts{text.value()};
        if (options.split == RenderOptions::Split::Chapters) {
            parts = documentinput::splitAtHeadings(text.value());
        } else if (options.split == RenderOptions::Split::Paragraphs) {
            parts = documentinput::splitEveryParagraphs(text.value(), options.paragraphsPerPart);
        }
        if (parts.isEmpty() || (parts.size() == 1 && parts.first().trimmed().isEmpty())) {
            print(out, QStringLiteral("failed  %1: contains no text to speak").arg(native(input)));
            ++failures;
            continue;
        }
        const QString title = standardInput ? QString() : QFileInfo(input).completeBaseName();
        for (qsizetype p = 0; p < parts.size() && !interrupted.load(); ++p) {
            const QString partPath =
                partTarget(target, options.split == RenderOptions::Split::None ? 0 : int(p + 1));
            const QString from = native(input);
            if (written.contains(QFileInfo(partPath).absoluteFilePath())) {
                print(out, QStringLiteral("failed  %1: %2 is already an output of this run")
                               .arg(from, native(partPath)));
                ++failures;
                continue;
            }
            written.insert(QFileInfo(partPath).absoluteFilePath());
            const QString timingPath =
                options.timings
                    ? QDir::cleanPath(SubtitleWriter::pathFor(partPath, *options.timings))
                    : QString();
            const auto taken = [&](const QString& path) {
                return !path.isEmpty() && QFileInfo::exists(path) && !options.force;
            };
            if (taken(partPath) || taken(timingPath)) {
                print(out, QStringLiteral("failed  %1: %2 exists (--force overwrites it)")
                               .arg(from, native(taken(partPath) ? partPath : timingPath)));
                ++failures;
                continue;
            }
            if (options.dryRun) {
                print(out, QStringLiteral("would write  %1 -> %2").arg(from, native(partPath)));
                if (!timingPath.isEmpty()) {
                    print(out,
                          QStringLiteral("would write  %1 -> %2").arg(from, native(timingPath)));
                }
                continue;
            }
            if (!QDir().mkpath(QFileInfo(partPath).absolutePath())) {
                print(out, QStringLiteral("failed  %1: the folder %2 cannot be made")
                               .arg(from, native(QFileInfo(partPath).absolutePath())));
                ++failures;
                continue;
            }
            WaveFileWriter writer(partPath, AudioOutput::SampleRate, format,
                                  parts.size() > 1 ? QStringLiteral("%1 (%2)").arg(title).arg(p + 1)
                                                   : title);
            if (!writer.open()) {
                print(out, QStringLiteral("failed  %1: %2").arg(from, writer.errorString()));
                ++failures;
                continue;
            }
            SubtitleWriter timings(parts.at(p), AudioOutput::SampleRate);
            SpeechRenderer::Request request;
            request.text = parts.at(p);
            request.voice = voice;
            request.prosody = voice.prosody(speed, tone);
            request.outputRate = AudioOutput::SampleRate;
            request.jobs = options.jobs;
            request.cancelled = [] { return interrupted.load(); };
            if (options.timings) {
                request.words = [&timings](const WordTiming& word) { timings.addWord(word); };
            }
            // Smaller pieces let short texts (the tests') spread over the workers too.
            if (const int length = qEnvironmentVariableIntValue("PARLANZA_RENDER_PIECE_CHARS");
                length > 0) {
                request.pieceLength = length;
            }
            const SpeechRenderer::Sink sink = [&](const qint16* samples, qsizetype count) {
                return !interrupted.load() && writer.write(samples, count);
            };
            const SpeechRenderer::Progress progress = [&](qsizetype done, qsizetype total) {
                bar.show(partPath, done, total);
            };
            QString reason;
            const bool complete = SpeechRenderer::render(request, sink, progress, &reason);
            bar.clear();
            if (interrupted.load()) {
                writer.cancel();
                break;
            }
            if (!complete || !writer.commit()) {
                writer.cancel();
                print(out, QStringLiteral("failed  %1: %2")
                               .arg(from, writer.errorString().isEmpty() ? reason
                                                                         : writer.errorString()));
                ++failures;
                continue;
            }
            print(out,
                  QStringLiteral("written %1 -> %2 (%3 s)")
                      .arg(from, native(partPath))
                      .arg(double(writer.samplesWritten()) / AudioOutput::SampleRate, 0, 'f', 1));
            // As in the window, the sound file stays when its timing file cannot be written.
            if (options.timings) {
                const platform::Result<void> timed =
                    timings.write(timingPath, *options.timings, writer.samplesWritten());
                if (timed) {
                    print(out, QStringLiteral("written %1 -> %2").arg(from, native(timingPath)));
                } else {
                    print(out, QStringLiteral("failed  %1: %2 cannot be written: %3")
                                   .arg(from, native(timingPath), timed.error()));
                    ++failures;
                }
            }
        }
    }
    if (interrupted.load()) {
        print(err,
              QStringLiteral("parlanza-render: interrupted; the unfinished output was not kept."));
        return ExitInterrupted;
    }
    return failures > 0 ? ExitSomeFailed : ExitDone;
}
