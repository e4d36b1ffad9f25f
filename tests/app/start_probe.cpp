// Runs the program's start-up step with message boxes printed instead of shown:
// "BOX|<title>|<icon>|<buttons>|<text>" for each box, then "REFUSED" or "RUNNING". A first
// argument is the file named on the command line.
#include "app/Start.h"
#include "platform/MessageBoxService.h"

#include <QApplication>
#include <cstdio>

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

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PrintingMessageBoxService boxes;
    platform::MessageBoxService::setCurrent(&boxes);
    Start start;
    if (!start.Form_Load(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString())) {
        std::printf("REFUSED\n");
        return 0;
    }
    std::printf("RUNNING\n");
    std::fflush(stdout);
    return QApplication::exec();
}
