// How long one redraw of the image and colour button takes, per face style and outline,
// and the cost of a hover cycle (enter, leave). Run with QT_QPA_PLATFORM=offscreen.
// A redraw should stay well under a millisecond so that hovering never lags the mouse.

#include "controls/rkbuttons/rkButtons_H.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

double microsecondsPerRedraw(rkbuttons::rkButtons_H* button, int rounds)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        button->Refresh();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / rounds;
}

platform::Picture picture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 4; y < size.height() - 4; ++y) {
        for (int x = 4; x < size.width() - 4; ++x) {
            image.setPixel(x, y, qRgb(x * 3 % 256, 80, y * 5 % 256));
        }
    }
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget form;
    form.resize(800, 600);
    form.show();
    QTextStream out(stdout);
    constexpr int kRounds = 400;

    out << "redraw of a 100 x 30 button with caption and 16-pixel picture, microseconds\n";
    out << "style";
    for (int shape = 0; shape <= 6; ++shape) {
        out << "\tshape " << shape;
    }
    out << "\n";
    for (int style = 0; style <= 7; ++style) {
        out << style;
        for (int shape = 0; shape <= 6; ++shape) {
            rkbuttons::rkButtons_H button(&form);
            button.setGeometry(10, 10, 100, 30);
            button.setCaption(QStringLiteral("&Open"));
            button.setPicture(picture(QSize(16, 16)));
            button.setButtonStyle(static_cast<rkbuttons::FaceStyle>(style));
            button.setButtonShape(static_cast<rkbuttons::Outline>(shape));
            out << "\t" << QString::number(microsecondsPerRedraw(&button, kRounds), 'f', 1);
        }
        out << "\n";
    }

    rkbuttons::rkButtons_H gradient(&form);
    gradient.setGeometry(0, 0, 400, 40);
    gradient.setGradientColor(0x00FF0000);
    gradient.setGradientMode(rkbuttons::paint::GradientDirection::LeftToRight);
    out << "gradient, 400 x 40 (two-pixel bands): "
        << QString::number(microsecondsPerRedraw(&gradient, kRounds), 'f', 1) << " us\n";
    gradient.setGeometry(0, 0, 150, 40);
    out << "gradient, 150 x 40 (one-pixel bands): "
        << QString::number(microsecondsPerRedraw(&gradient, kRounds), 'f', 1) << " us\n";

    rkbuttons::rkButtons_H custom(&form);
    custom.setGeometry(0, 0, 120, 120);
    custom.setPicture(picture(QSize(120, 120)));
    QElapsedTimer timer;
    timer.start();
    constexpr int kShapeRounds = 50;
    for (int i = 0; i < kShapeRounds; ++i) {
        custom.setButtonShape(i % 2 == 0 ? rkbuttons::Outline::Custom
                                         : rkbuttons::Outline::CustomInset);
    }
    out << "custom shape cut from a 120 x 120 picture: "
        << QString::number(static_cast<double>(timer.nsecsElapsed()) / 1000.0 / kShapeRounds, 'f',
                           1)
        << " us\n";
    out << "redraw of that custom-shaped button: "
        << QString::number(microsecondsPerRedraw(&custom, kRounds), 'f', 1) << " us\n";
    return 0;
}
