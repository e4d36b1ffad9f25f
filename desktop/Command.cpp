#include "desktop/Command.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QStringList>
#include <array>

namespace desktop {

namespace {

struct Option
{
    Command::Kind kind;
    const char* name;
    const char* description;
};

// The option of each command is also the name it is handed over under.
constexpr std::array<Option, 5> kOptions = {{
    {Command::Kind::SpeakSelection, "speak-selection",
     "Speak the text selected in any program (the primary selection)."},
    {Command::Kind::SpeakClipboard, "speak-clipboard", "Speak the text on the clipboard."},
    {Command::Kind::SpeakText, "speak", "Speak the text given (\"-\": standard input)."},
    {Command::Kind::Pause, "pause", "Pause what is being spoken, or resume it."},
    {Command::Kind::Stop, "stop", "Stop speaking."},
}};

} // namespace

Command::Command(Kind kind, QString text) : m_kind(kind), m_text(std::move(text)) {}

QString Command::name() const
{
    for (const Option& option : kOptions) {
        if (option.kind == m_kind) {
            return QLatin1String(option.name);
        }
    }
    return {};
}

std::optional<Command> Command::fromName(const QString& name, const QString& text)
{
    for (const Option& option : kOptions) {
        if (name == QLatin1String(option.name)) {
            return Command(option.kind, option.kind == Kind::SpeakText ? text : QString());
        }
    }
    return std::nullopt;
}

void Command::addOptions(QCommandLineParser& parser)
{
    for (const Option& option : kOptions) {
        QCommandLineOption added(QLatin1String(option.name), QString::fromUtf8(option.description));
        if (option.kind == Kind::SpeakText) {
            added.setValueName(QStringLiteral("text"));
        }
        parser.addOption(added);
    }
}

platform::Result<std::optional<Command>> Command::fromArguments(const QCommandLineParser& parser,
                                                                QIODevice& input)
{
    std::optional<Command> asked;
    for (const Option& option : kOptions) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name)) {
            continue;
        }
        if (asked) {
            return platform::Failure{
                QStringLiteral("Give one of --%1 and --%2, not both.").arg(asked->name(), name)};
        }
        QString text;
        if (option.kind == Kind::SpeakText) {
            text = parser.value(name);
            if (text == QLatin1String("-")) {
                text = QString::fromUtf8(input.readAll());
            }
        }
        asked = Command(option.kind, text);
    }
    if (asked && !parser.positionalArguments().isEmpty()) {
        return platform::Failure{
            QStringLiteral("--%1 acts on the running copy; it takes no file.").arg(asked->name())};
    }
    return asked;
}

} // namespace desktop
