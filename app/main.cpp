#include "app/Start.h"
#include "app/StartUpWarmUp.h"
#include "speech/SpeechRenderer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char* argv[])
{
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
    arguments.process(app);
    // Recordings render on every core through the command line's worker mode.
    const QString renderer =
        QApplication::applicationDirPath() + QStringLiteral("/parlanza-render");
    if (QFileInfo(renderer).isExecutable()) {
        speech::SpeechRenderer::setWorkerProgram(renderer);
    }
    const QStringList files = arguments.positionalArguments();
    app::Start start;
    if (!start.Form_Load(files.isEmpty() ? QString() : files.first())) {
        return 0;
    }
    return QApplication::exec();
}
