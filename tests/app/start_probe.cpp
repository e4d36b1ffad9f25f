// Runs the program's start-up step with message boxes printed instead of shown:
// "BOX|<title>|<icon>|<buttons>|<text>" for each box, then "REFUSED" or "RUNNING". A first
// argument is the file named on the command line. Once running, a line "SPEAK <text>" on
// standard input puts the text in the editor and presses SPEAK; "STOPPED" follows when the
// speech has ended.
#include "app/Main.h"
#include "app/Start.h"
#include "editor/RichTextBox.h"
#include "platform/MessageBoxService.h"
#include "speech/SpeechControl.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

class PrintingMessageBoxService final : public platform::MessageBoxService
{
public:
    platform::MessageAnswer show(const platform::MessageBoxRequest& request) override
    {
        std::printf("BOX|%s|%d|%d|%s\n", qPrintable(request.title), static_cast<int>(request.icon),
                    static_cast<int>(request.buttons), qPrintable(request.text));
        std::fflush(stdout);
        return platform::MessageAnswer::Ok;
    }
};

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PrintingMessageBoxService boxes;
    platform::MessageBoxService::setCurrent(&boxes);
    app::Start start;
    if (!start.Form_Load(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString())) {
        say("REFUSED");
        return 0;
    }
    app::Main* main = start.mainWindow();
    QObject::connect(main->speechControl(), &speech::SpeechControl::AudioStop,
                     [] { say("STOPPED"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input, main] {
        char line[4096];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        const QString command = QString::fromUtf8(line, n).trimmed();
        if (command.startsWith(QLatin1String("SPEAK "))) {
            main->findChild<editor::RichTextBox*>(QStringLiteral("RichTextBox1"))
                ->setText(command.mid(6));
            main->cmdSpkText_Click();
        }
    });
    say("RUNNING");
    return QApplication::exec();
}
