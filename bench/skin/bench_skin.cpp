// Prints how long the skin engine and the skinned controls take to draw:
//   a full skinned window (tiled background and frame) at two sizes,
//   a progress bar update (trough, keyed bar, one copy) and a scroll bar paint.
// Painting loads and converts nothing, so each figure is a handful of block copies.

#include "controls/skinned/UcProgress.h"
#include "controls/skinned/UcScroll.h"
#include "platform/Units.h"
#include "skin/ClsSkin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <cstdio>
#include <functional>

namespace {

void measure(const char* what, int rounds, const std::function<void()>& work)
{
    work(); // warm up
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        work();
    }
    const double microseconds = double(timer.nsecsElapsed()) / 1000.0 / rounds;
    std::printf("%-44s %9.1f us  (%d rounds)\n", what, microseconds, rounds);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::setTwipsPerPixelOverride(15.0);

    QWidget form(nullptr, Qt::Window | Qt::FramelessWindowHint);
    skin::ClsSkin skin;
    skin.setTheForm(&form);
    skin.SetFrmPict();
    for (const QSize size : {QSize(640, 480), QSize(1920, 1080)}) {
        form.resize(size);
        QImage target(size, QImage::Format_RGB32);
        const QByteArray label = QStringLiteral("skinned window %1 x %2 paint")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .toLatin1();
        measure(label.constData(), 200, [&] {
            QPainter dc(&target);
            skin.TheForm_Paint(dc);
        });
    }

    QWidget host;
    auto* progress = new skinned::UcProgress(&host);
    progress->resize(300, 19);
    int value = 0;
    measure("progress bar 300 x 19 value update", 2000, [&] {
        value = (value + 7) % 101;
        progress->setValue(value);
    });
    auto* vertical = new skinned::UcProgress(&host);
    vertical->setOrientation(1);
    vertical->resize(19, 300);
    measure("vertical progress bar 19 x 300 value update", 2000, [&] {
        value = (value + 7) % 101;
        vertical->setValue(value);
    });

    auto* scroll = new skinned::UcScroll(&host);
    scroll->UserControl_InitProperties();
    scroll->resize(300, 22);
    QImage scrollTarget(300, 22, QImage::Format_RGB32);
    measure("scroll bar 300 x 22 paint", 2000, [&] { scroll->render(&scrollTarget); });
    return 0;
}
