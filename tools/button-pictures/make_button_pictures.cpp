// The small pictures of the main window: the editor's command buttons, the menu items,
// the title-bar logo and the panel separators. Each is a Windows bitmap whose top-left
// pixel is its transparent colour, as the buttons and the menu expect.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 16;
const QColor kKey(255, 0, 255);
// Edges are blended against a light face so that they sit well on the light buttons.
const QColor kFace(232, 232, 232);
const QColor kInk(57, 69, 87);

using Drawing = std::function<void(QPainter&)>;

// Draws antialiased, then flattens onto the transparent colour: pixels that are mostly
// empty become transparent, the rest are blended against the face.
QImage picture(const Drawing& draw, int width = kSize, int height = kSize)
{
    QImage layer(width, height, QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
    }
    QImage flat(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QColor c = layer.pixelColor(x, y);
            if (c.alpha() < 100) {
                flat.setPixelColor(x, y, kKey);
                continue;
            }
            const double a = c.alphaF();
            QColor mixed(int(c.red() * a + kFace.red() * (1 - a)),
                         int(c.green() * a + kFace.green() * (1 - a)),
                         int(c.blue() * a + kFace.blue() * (1 - a)));
            if (mixed == kKey) {
                mixed.setBlue(254);
            }
            flat.setPixelColor(x, y, mixed);
        }
    }
    flat.setPixelColor(0, 0, kKey);
    return flat;
}

QPen pen(const QColor& color, double width = 1.2)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void page(QPainter& p, const QRectF& r)
{
    p.setPen(pen(kInk, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(pen(QColor(150, 160, 175), 1.0));
    for (double y = r.top() + 3; y < r.bottom() - 1; y += 2.5) {
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void clipboard(QPainter& p)
{
    p.setPen(pen(QColor(110, 70, 30), 1.0));
    p.setBrush(QColor(190, 130, 70));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 12.5), 1.5, 1.5);
    page(p, QRectF(4.5, 4.5, 7, 9));
    p.setPen(pen(kInk, 1.0));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(5.5, 1.5, 5, 2.5));
}

void roundBadge(QPainter& p, const QString& letter)
{
    QRadialGradient fill(QPointF(6, 5), 9);
    fill.setColorAt(0, QColor(120, 170, 240));
    fill.setColorAt(1, QColor(30, 80, 170));
    p.setPen(pen(QColor(20, 50, 120), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, letter);
}

void letterA(QPainter& p, const QColor& color)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(0, -1, 16, 13), Qt::AlignCenter, QStringLiteral("A"));
}

struct Entry
{
    const char* name;
    Drawing draw;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_button_pictures <resources/bitmaps/commands folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    const QList<Entry> entries = {
        {"OPENFILE",
         [](QPainter& p) {
             p.setPen(pen(QColor(140, 95, 20), 1.0));
             p.setBrush(QColor(230, 180, 70));
             QPainterPath back;
             back.moveTo(1.5, 3.5);
             back.lineTo(6, 3.5);
             back.lineTo(7.5, 5);
             back.lineTo(13.5, 5);
             back.lineTo(13.5, 13.5);
             back.lineTo(1.5, 13.5);
             back.closeSubpath();
             p.drawPath(back);
             p.setBrush(QColor(250, 215, 120));
             QPainterPath front;
             front.moveTo(1.5, 13.5);
             front.lineTo(4, 7.5);
             front.lineTo(15, 7.5);
             front.lineTo(13.5, 13.5);
             front.closeSubpath();
             p.drawPath(front);
         }},
        {"CUT",
         [](QPainter& p) {
             p.setPen(pen(QColor(120, 130, 140), 1.4));
             p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10));
             p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10));
             p.setPen(pen(QColor(190, 40, 40), 1.4));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(1.5, 9.5, 5, 5));
             p.drawEllipse(QRectF(9.5, 9.5, 5, 5));
         }},
        {"COPY",
         [](QPainter& p) {
             page(p, QRectF(1.5, 1.5, 8, 10));
             page(p, QRectF(6.5, 4.5, 8, 10));
         }},
        {"PASTE", [](QPainter& p) { clipboard(p); }},
        {"EXIT",
         [](QPainter& p) {
             p.setPen(pen(QColor(100, 60, 30), 1.0));
             p.setBrush(QColor(170, 110, 60));
             p.drawRect(QRectF(2.5, 1.5, 7, 13));
             p.setBrush(QColor(240, 200, 80));
             p.drawEllipse(QRectF(7, 7.5, 1.6, 1.6));
             p.setPen(pen(QColor(30, 130, 50), 1.8));
             p.drawLine(QPointF(9, 8), QPointF(14.5, 8));
             p.drawLine(QPointF(12, 5.5), QPointF(14.5, 8));
             p.drawLine(QPointF(12, 10.5), QPointF(14.5, 8));
         }},
        {"DELETE",
         [](QPainter& p) {
             p.setPen(pen(QColor(200, 30, 30), 2.6));
             p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
             p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
         }},
        {"CLEARCLIP",
         [](QPainter& p) {
             clipboard(p);
             p.setPen(pen(QColor(200, 30, 30), 2.0));
             p.drawLine(QPointF(8.5, 8.5), QPointF(14, 14));
             p.drawLine(QPointF(14, 8.5), QPointF(8.5, 14));
         }},
        {"SELECTALL",
         [](QPainter& p) {
             p.setPen(pen(kInk, 1.0));
             p.setBrush(QColor(170, 200, 240));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.setPen(pen(QColor(30, 60, 130), 1.0));
             for (double y = 4.5; y < 13; y += 2.5) {
                 p.drawLine(QPointF(3.5, y), QPointF(12.5, y));
             }
         }},
        {"FORECOLOR",
         [](QPainter& p) {
             letterA(p, kInk);
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(210, 30, 30));
             p.drawRect(QRectF(2, 12.5, 12, 3));
         }},
        {"BACKCOLOR",
         [](QPainter& p) {
             p.setPen(pen(QColor(150, 130, 20), 1.0));
             p.setBrush(QColor(250, 230, 80));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             letterA(p, kInk);
         }},
        {"LOGO",
         [](QPainter& p) {
             p.setPen(pen(QColor(120, 50, 10), 1.0));
             p.setBrush(QColor(235, 105, 35));
             QPainterPath speaker;
             speaker.moveTo(1.5, 6);
             speaker.lineTo(4.5, 6);
             speaker.lineTo(8.5, 2.5);
             speaker.lineTo(8.5, 13.5);
             speaker.lineTo(4.5, 10);
             speaker.lineTo(1.5, 10);
             speaker.closeSubpath();
             p.drawPath(speaker);
             p.setBrush(Qt::NoBrush);
             p.setPen(pen(QColor(255, 200, 120), 1.3));
             p.drawArc(QRectF(6, 4.5, 6, 7), -50 * 16, 100 * 16);
             p.drawArc(QRectF(5, 2, 10, 12), -50 * 16, 100 * 16);
         }},
        {"HELP", [](QPainter& p) { roundBadge(p, QStringLiteral("?")); }},
        {"ABOUT", [](QPainter& p) { roundBadge(p, QStringLiteral("i")); }},
    };

    int failures = 0;
    for (const Entry& entry : entries) {
        const QString path =
            folder.filePath(QString::fromLatin1(entry.name) + QStringLiteral(".bmp"));
        if (!picture(entry.draw).save(path, "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }

    // A groove between panels: a dark line over a light one, stretched to the panel.
    QImage groove(8, 2, QImage::Format_RGB32);
    for (int x = 0; x < groove.width(); ++x) {
        groove.setPixelColor(x, 0, QColor(140, 128, 112));
        groove.setPixelColor(x, 1, QColor(255, 250, 240));
    }
    if (!groove.save(folder.filePath(QStringLiteral("GROOVE.bmp")), "BMP")) {
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
