#include "render/RenderOptions.h"

#include "speech/VoiceDefinition.h"

#include <thread>

namespace render {

namespace {

platform::Failure usageError(const QString& message)
{
    return platform::Failure{message};
}

std::optional<int> number(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString RenderOptions::usage()
{
    return QStringLiteral(
               "Usage: parlanza-render [options] INPUT... [-o|--output PATH]\n"
               "Renders texts into sound files. INPUT is a file, a folder (read recursively) or -\n"
               "for standard input; documents are told by their content, not their names.\n"
               "\n"
               "  -o, --output PATH    the output file (one input) or folder; by default each\n"
               "                       output goes beside its input\n"
               "      --voice NAME     a voice as the window lists it (see --list-voices)\n"
               "      --speed N        %1..%2, as the window's speed bar (default: the voice's "
               "own)\n"
               "      --tone N         %3..%4, as the window's tone bar (default: the voice's "
               "own)\n"
               "      --format NAME    wav, mp3, ogg, opus, flac, m4b or m4a (default: the "
               "output's\n"
               "                       extension, else wav)\n"
               "      --timings srt    also write NAME.srt beside each output, a cue for each "
               "sentence\n"
               "      --timings vtt    also write NAME.vtt beside each output, a cue for each "
               "word\n"
               "      --read-along     write NAME.epub, a book that reads along: the text with\n"
               "                       each sentence marked as it is heard, the recording inside\n"
               "      --no-chapters    no chapter marks (by default a document's chapters are\n"
               "                       marked in the sound file, or in NAME.cue beside a wave "
               "file)\n"
               "      --title TEXT     the book's title instead of the document's own\n"
               "      --author TEXT    the book's author instead of the document's own\n"
               "      --cover FILE     the book's cover picture instead of the document's own\n"
               "      --split chapters one output per chapter, numbered and named by its title\n"
               "      --split N        one output every N paragraphs, numbered\n"
               "      --jobs N         processes rendering at once (default: all cores)\n"
               "      --lexicon FILE   say words as the pronunciation lexicon says (PLS or\n"
               "                       tab-separated; default: the lexicon the window edits)\n"
               "      --no-lexicon     say every word as written\n"
               "      --force          overwrite existing outputs (never done without it)\n"
               "      --dry-run        show what would be written, write nothing\n"
               "      --list-voices    list the voices and end\n"
               "  -h, --help           show this help\n"
               "      --version        show the version\n"
               "\n"
               "Exit status: 0 all done, 1 some inputs failed, 2 usage error.\n")
        .arg(speech::VoiceDefinition::SpeedMinimum)
        .arg(speech::VoiceDefinition::SpeedMaximum)
        .arg(speech::VoiceDefinition::PitchMinimum)
        .arg(speech::VoiceDefinition::PitchMaximum);
}

platform::Result<RenderOptions> RenderOptions::parse(const QStringList& arguments)
{
    RenderOptions options;
    options.jobs = int(std::max(1U, std::thread::hardware_concurrency()));
    bool onlyInputs = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (onlyInputs || argument == QLatin1String("-") ||
            !argument.startsWith(QLatin1Char('-'))) {
            options.inputs.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyInputs = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> attached;
        if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals > 0) {
            name = argument.left(equals);
            attached = argument.mid(equals + 1);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (attached) {
                return attached;
            }
            if (i + 1 < arguments.size()) {
                return arguments.at(++i);
            }
            return std::nullopt;
        };
        const auto flag = [&](bool& target) -> bool {
            target = true;
            return !attached.has_value();
        };
        bool ok = true;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            ok = flag(options.help);
        } else if (name == QLatin1String("--version")) {
            ok = flag(options.version);
        } else if (name == QLatin1String("--list-voices")) {
            ok = flag(options.listVoices);
        } else if (name == QLatin1String("--dry-run")) {
            ok = flag(options.dryRun);
        } else if (name == QLatin1String("--force")) {
            ok = flag(options.force);
        } else if (name == QLatin1String("--no-lexicon")) {
            ok = flag(options.noLexicon);
        } else if (name == QLatin1String("--read-along")) {
            ok = flag(options.readAlong);
        } else if (name == QLatin1String("--no-chapters")) {
            ok = flag(options.noChapters);
        } else if (name == QLatin1String("-o") || name == QLatin1String("--output") ||
                   name == QLatin1String("--voice") || name == QLatin1String("--speed") ||
                   name == QLatin1String("--tone") || name == QLatin1String("--format") ||
                   name == QLatin1String("--split") || name == QLatin1String("--jobs") ||
                   name == QLatin1String("--timings") || name == QLatin1String("--lexicon") ||
                   name == QLatin1String("--title") || name == QLatin1String("--author") ||
                   name == QLatin1String("--cover")) {
            const std::optional<QString> text = value();
            if (!text) {
                return usageError(QStringLiteral("%1 needs a value.").arg(name));
            }
            if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
                options.output = *text;
            } else if (name == QLatin1String("--voice")) {
                options.voice = *text;
            } else if (name == QLatin1String("--lexicon")) {
                options.lexicon = *text;
            } else if (name == QLatin1String("--title")) {
                options.title = *text;
            } else if (name == QLatin1String("--author")) {
                options.author = *text;
            } else if (name == QLatin1String("--cover")) {
                options.cover = *text;
            } else if (name == QLatin1String("--speed") || name == QLatin1String("--tone")) {
                const bool speed = name == QLatin1String("--speed");
                const int low = speed ? speech::VoiceDefinition::SpeedMinimum
                                      : speech::VoiceDefinition::PitchMinimum;
                const int high = speed ? speech::VoiceDefinition::SpeedMaximum
                                       : speech::VoiceDefinition::PitchMaximum;
                const std::optional<int> n = number(*text);
                if (!n || *n < low || *n > high) {
                    return usageError(
                        QStringLiteral("%1 takes a whole number from %2 to %3, not %4.")
                            .arg(name)
                            .arg(low)
                            .arg(high)
                            .arg(*text));
                }
                (speed ? options.speed : options.tone) = *n;
            } else if (name == QLatin1String("--format")) {
                options.format = recording::formatForName(*text);
                options.formatName = text->toLower();
                if (!options.format) {
                    return usageError(
                        QStringLiteral("--format %1 names no sound format; use wav, mp3, ogg, "
                                       "opus, flac, m4b or m4a.")
                            .arg(*text));
                }
            } else if (name == QLatin1String("--timings")) {
                if (text->compare(QLatin1String("srt"), Qt::CaseInsensitive) == 0) {
                    options.timings = recording::SubtitleWriter::Kind::Sentences;
                } else if (text->compare(QLatin1String("vtt"), Qt::CaseInsensitive) == 0) {
                    options.timings = recording::SubtitleWriter::Kind::Words;
                } else {
                    return usageError(QStringLiteral("--timings takes srt (a cue for each "
                                                     "sentence) or vtt (a cue for each word), "
                                                     "not %1.")
                                          .arg(*text));
                }
            } else if (name == QLatin1String("--split")) {
                const std::optional<int> n = number(*text);
                if (*text == QLatin1String("chapters")) {
                    options.split = Split::Chapters;
                } else if (n && *n > 0) {
                    options.split = Split::Paragraphs;
                    options.paragraphsPerPart = *n;
                } else {
                    return usageError(QStringLiteral("--split takes \"chapters\" or a number of "
                                                     "paragraphs, not %1.")
                                          .arg(*text));
                }
            } else {
                const std::optional<int> n = number(*text);
                if (!n || *n < 1) {
                    return usageError(
                        QStringLiteral("--jobs takes a number of 1 or more, not %1.").arg(*text));
                }
                options.jobs = *n;
            }
        } else {
            return usageError(QStringLiteral("Unknown option %1.").arg(argument));
        }
        if (!ok) {
            return usageError(QStringLiteral("%1 takes no value.").arg(name));
        }
    }
    if (options.noLexicon && !options.lexicon.isEmpty()) {
        return usageError(QStringLiteral("--lexicon and --no-lexicon exclude each other."));
    }
    if (options.readAlong && (options.format || options.timings)) {
        return usageError(
            QStringLiteral("--read-along writes a book with its own recording and "
                           "timings; %1 does not go with it.")
                .arg(options.format ? QStringLiteral("--format") : QStringLiteral("--timings")));
    }
    if (options.inputs.isEmpty() && !options.listVoices && !options.help && !options.version) {
        return usageError(QStringLiteral("No input given."));
    }
    return options;
}

} // namespace render
