#include "render/RenderCommand.h"
#include "speech/SpeechRenderer.h"

#include <QGuiApplication>
#include <csignal>

namespace {

void onSignal(int signal)
{
    render::RenderCommand::interrupt(signal);
}

// Qt notes a missing runtime folder (as under cron or ssh) on every start; the command line
// keeps nothing there, so the note only clutters a script's error output.
QtMessageHandler qtHandler = nullptr;

void withoutRuntimeFolderNote(QtMsgType type, const QMessageLogContext& context,
                              const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        return;
    }
    qtHandler(type, context, message);
}

} // namespace

// espeak-ng 1.51 opens a sound device for every engine it starts, playing or not, which
// reads the sound server's configuration and connects to it. The command line and its
// workers only ever take the engine's samples: they give it no device.
extern "C" struct audio_object* create_audio_device_object(const char*, const char*, const char*)
{
    return nullptr;
}

int main(int argc, char** argv)
{
    if (argc == 2 && speech::SpeechRenderer::workerArgument() == QLatin1String(argv[1])) {
        // A worker of a render: its parent handles Ctrl+C and a hang-up, and ends it.
        std::signal(SIGINT, SIG_IGN);
        std::signal(SIGHUP, SIG_IGN);
        return speech::SpeechRenderer::serveWorker();
    }
    qtHandler = qInstallMessageHandler(withoutRuntimeFolderNote);
    // Web pages, Markdown and rich text are read through Qt's text documents, which need
    // a GUI application; nothing is ever shown, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    // No SA_RESTART: a read of standard input returns at once to look at the signal.
    struct sigaction action = {};
    action.sa_handler = onSignal;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    // A file over the size limit fails its write and is reported like a full disk, and a
    // reader of standard output that went away is reported, not a silent death.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments = QGuiApplication::arguments();
    arguments.removeFirst();
    return render::RenderCommand::run(arguments);
}
