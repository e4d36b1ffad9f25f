#include "app/Start.h"
#include "app/StartUpWarmUp.h"
#include "desktop/Command.h"
#include "speech/SpeechRenderer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>

namespace {

QStringList commandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> handed = app::Start::handOverEarly(commandLine(argc, argv))) {
        return *handed;
    }
    app::StartUpWarmUp warmUp;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlanza"));
    QApplication::setApplicationVersion(QStringLiteral(PARLANZA_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/parlanza.png")));
    QCommandLineParser arguments;
    arguments.setApplicationDescription(QStringLiteral("Text-to-speech workbench"));
    arguments.addHelpOption();
    arguments.addVersionOption();
    arguments.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A document to open: text, rich text, Word (.doc, .docx), OpenDocument, "
                       "PDF, EPUB, web page or Markdown."),
        QStringLiteral("[file]"));
    desktop::Command::addOptions(arguments);
    arguments.process(app);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        return 1;
    }
    const platform::Result<std::optional<desktop::Command>> command =
        desktop::Command::fromArguments(arguments, input);
    if (!command) {
        std::fprintf(stderr, "parlanza: %s\n", qPrintable(command.error()));
        return 1;
    }
    // Recordings render on every core through the command line's worker mode.
    const QString renderer =
        QApplication::applicationDirPath() + QStringLiteral("/parlanza-render");
    if (QFileInfo(renderer).isExecutable()) {
        speech::SpeechRenderer::setWorkerProgram(renderer);
    }
    const QStringList files = arguments.positionalArguments();
    app::Start start;
    if (!start.Form_Load(files.isEmpty() ? QString() : files.first(), command.value())) {
        return start.exitCode();
    }
    return QApplication::exec();
}
