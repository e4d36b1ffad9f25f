// The program icon: a speech bubble sending out sound waves, on a violet tile.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    constexpr int kSize = 256;
    QImage icon(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);

    // The caption violet and plum of the skin, lit from the top left.
    QLinearGradient tile(0, 0, kSize, kSize);
    tile.setColorAt(0.0, QColor(140, 60, 200));
    tile.setColorAt(0.55, QColor(74, 10, 167));
    tile.setColorAt(1.0, QColor(93, 12, 153).darker(140));
    p.setPen(QPen(QColor(40, 0, 80), 4));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(6, 6, kSize - 12, kSize - 12), 44, 44);

    // Speech bubble with its tail.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(34, 58, 120, 92), 30, 30);
    QPainterPath tail;
    tail.moveTo(62, 140);
    tail.lineTo(46, 194);
    tail.lineTo(102, 146);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 248, 255));
    p.drawPath(bubble);

    // Three text lines inside the bubble, in the buttons' slate.
    p.setBrush(QColor(0x39, 0x45, 0x57));
    for (int i = 0; i < 3; ++i) {
        p.drawRoundedRect(QRectF(56, 80 + i * 20, i == 2 ? 54 : 78, 9), 4.5, 4.5);
    }

    // Sound waves leaving the bubble.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double r = 34 + i * 24;
        p.setPen(QPen(QColor(255, 220, 120, 255 - i * 50), 12, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(150 - r, 104 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    p.end();
    return icon.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
