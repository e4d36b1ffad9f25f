#include "render/RenderCommand.h"
#include "speech/SpeechRenderer.h"

#include <QGuiApplication>
#include <csignal>

namespace {

void onInterrupt(int)
{
    RenderCommand::interrupt();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && SpeechRenderer::workerArgument() == QLatin1String(argv[1])) {
        // A worker of a render: its parent handles Ctrl+C and ends it.
        std::signal(SIGINT, SIG_IGN);
        return SpeechRenderer::serveWorker();
    }
    // Web pages, Markdown and rich text are read through Qt's text documents, which need
    // a GUI application; nothing is ever shown, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    QStringList arguments = QGuiApplication::arguments();
    arguments.removeFirst();
    return RenderCommand::run(arguments);
}
