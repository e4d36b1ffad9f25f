#pragma once

#include "platform/Result.h"

#include <QString>
#include <optional>

class QCommandLineParser;
class QIODevice;

namespace desktop {

// What the command line asks of the running copy rather than a file to open: speak the
// text selected in another program, the clipboard's, or a given text; pause or stop.
class Command
{
public:
    enum class Kind { SpeakSelection, SpeakClipboard, SpeakText, Pause, Stop };

    Command(Kind kind, QString text = QString());

    Kind kind() const { return m_kind; }
    // The text of SpeakText; empty for the others.
    const QString& text() const { return m_text; }

    // The name it travels under between copies, and back.
    QString name() const;
    static std::optional<Command> fromName(const QString& name, const QString& text);

    // Adds the options that ask for a command.
    static void addOptions(QCommandLineParser& parser);
    // The command the parsed options ask for; nothing when none does. "--speak -" reads the
    // text from input. Fails, saying why, on two commands at once or one given with a file.
    static platform::Result<std::optional<Command>> fromArguments(const QCommandLineParser& parser,
                                                                  QIODevice& input);

private:
    Kind m_kind;
    QString m_text;
};

} // namespace desktop
