// How long the bevelled button takes to build its raised and sunken faces, and to
// repaint a state change, at the sizes the main window uses and at larger ones.

#include "controls/bevel/bvlBUTTON.h"
#include "controls/bevel/mdlSHPCLR.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

namespace {

double millisecondsPer(int rounds, const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        work();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1.0e6 / rounds;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const char* shapes[] = {"rectangle", "circle", "rounded", "capsule"};

    out << "faces (raised + sunken), milliseconds per pair\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("size"), -10)
               .arg(QString::fromLatin1(shapes[0]), 10)
               .arg(QString::fromLatin1(shapes[1]), 10)
               .arg(QString::fromLatin1(shapes[2]), 10)
               .arg(QString::fromLatin1(shapes[3]), 10);
    for (const QSize size : {QSize(96, 36), QSize(160, 64), QSize(400, 160), QSize(1200, 800)}) {
        QString line =
            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).leftJustified(10);
        const int rounds = std::max(3, 2000000 / (size.width() * size.height()));
        for (qint32 shape = 0; shape < 4; ++shape) {
            QImage raised(size, QImage::Format_RGB32);
            QImage sunken(size, QImage::Format_RGB32);
            const double ms = millisecondsPer(rounds, [&] {
                qint16 bevel = 0;
                bevel::mdlSHPCLR::DrawBevel(raised, shape, platform::rgb(160, 176, 200), bevel,
                                            true);
                bevel::mdlSHPCLR::DrawBevel(sunken, shape, platform::rgb(160, 176, 200), bevel,
                                            false);
            });
            line += QStringLiteral(" %1").arg(ms, 10, 'f', 3);
        }
        out << line << '\n';
    }

    // A state change as the mouse makes it: copy a face, draw picture and caption.
    bevel::bvlBUTTON button;
    button.resize(160, 64);
    button.setCaption(QStringLiteral("SPEAK"));
    QImage picture(24, 24, QImage::Format_RGB32);
    picture.fill(qRgb(200, 0, 0));
    button.setPicture(platform::Picture(platform::Picture::Type::Bitmap, picture));
    button.setBehaviour(bevel::bvlBUTTON::kToggleButton);
    const double toggle = millisecondsPer(2000, [&] { button.setValue(!button.Value()); });
    out << "state change repaint 160x64 with caption and picture: " << toggle << " ms\n";
    const double refresh = millisecondsPer(200, [&] { button.Refresh(); });
    out << "Refresh (region, faces, work surface, paint) 160x64: " << refresh << " ms\n";
    out.flush();
    return 0;
}
