// Prints how long the help takes to come up: reading the help file (chmlib in its
// child process), opening the help window on topic 1, and a full-text search.
#include "helpviewer/ChmFile.h"
#include "helpviewer/ChmHelpViewer.h"
#include "helpviewer/HelpWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace {

template <typename Work> double medianMs(int rounds, Work work)
{
    QList<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString file =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PARLANZA_HELP_FILE);

    helpviewer::ChmFile chm;
    const double openMs = medianMs(20, [&] { chm = helpviewer::ChmFile::open(file); });
    if (!chm.isOpen()) {
        std::fprintf(stderr, "%s\n", qPrintable(chm.errorString()));
        return 1;
    }
    const double searchMs =
        medianMs(20, [&] { chm.search(QStringLiteral("wave file overwrite")); });
    const double windowMs = medianMs(10, [&] {
        helpviewer::ChmHelpViewer viewer;
        const helpviewer::HelpWindowHandle handle =
            viewer.htmlHelp(nullptr, file + QStringLiteral(">Main"),
                            helpviewer::HelpCommand::HelpContext, quintptr(1));
        if (!handle) {
            std::fprintf(stderr, "the help window did not open\n");
        }
        viewer.closeAll();
    });
    std::printf("help file          %s (%lld objects)\n", qPrintable(file),
                qlonglong(chm.paths().size()));
    std::printf("read help file     %8.2f ms (median of 20)\n", openMs);
    std::printf("full-text search   %8.2f ms (median of 20, first one builds the text cache)\n",
                searchMs);
    std::printf("How to Use window  %8.2f ms (median of 10, file read + window + page)\n",
                windowMs);
    return 0;
}
