// Runs the program's start-up step with message boxes printed instead of shown:
// "BOX|<title>|<icon>|<buttons>|<text>" for each box, then "REFUSED" or "RUNNING". Once
// running, a line "SPEAK <text>" on standard input puts the text in the editor and presses
// SPEAK; "STOPPED" follows when the speech has ended.
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
        return platform::MessageAnswer::Ok;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line reaches the test as it is written
    QApplication app(argc, argv);
    PrintingMessageBoxService boxes;
    platform::MessageBoxService::setCurrent(&boxes);
    app::Start start;
    if (!start.Form_Load()) {
        std::puts("REFUSED");
        return 0;
    }
    app::Main* main = start.mainWindow();
    QObject::connect(main->speechControl(), &speech::SpeechControl::AudioStop,
                     [] { std::puts("STOPPED"); });
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
            main->findChild<editor::RichTextBox*>("RichTextBox1")->setText(command.mid(6));
            main->cmdSpkText_Click();
        }
    });
    std::puts("RUNNING");
    return QApplication::exec();
}
