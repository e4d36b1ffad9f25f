#include "SkinPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <functional>
#include <map>

namespace artwork {
namespace {

// Theme colours.
const QColor kViolet(74, 10, 167);  // caption colour, string 101
const QColor kPlum(93, 12, 153);    // clicked caption colour, string 102
const QColor kSlate(57, 69, 87);    // button caption colour
const QColor kPaper(238, 237, 243); // client area
const QColor kOutline(52, 50, 70);  // the window's outer line
const QColor kMetalLight(246, 245, 250);
const QColor kMetalMid(205, 201, 218);
const QColor kMetalDark(150, 144, 170);
const QColor kGroove(214, 210, 226);
const QColor kKey(255, 0, 255); // keyed out of the progress bar

constexpr int kTitleHeight = 32; // TOPFORM
constexpr int kLeftWidth = 6;    // LEFTFORM
constexpr int kRightWidth = 5;   // RIGHTFORM
constexpr int kBottomHeight = 9; // BOTTOMFORM

QImage canvas(int width, int height, const QColor& fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Deterministic paper grain; every pixel independent, so the tile has no seams.
QRgb paperAt(int x, int y)
{
    quint32 h = static_cast<quint32>(x) * 374761393u + static_cast<quint32>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    const int grain = static_cast<int>(h % 5) - 2;
    return qRgb(kPaper.red() + grain, kPaper.green() + grain, kPaper.blue() + grain);
}

QImage paper(int width, int height, int originX = 0, int originY = 0)
{
    QImage image = canvas(width, height, kPaper);
    // The tile repeats every 97 x 92 pixels from the window's corner.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, paperAt((x + originX) % 97, (y + originY) % 92));
        }
    }
    return image;
}

// The title band, row by row: an outline, a bright bevel, a pale gradient for the
// caption, and a violet rule that separates it from the client area.
QColor titleRow(int y)
{
    if (y == 0) {
        return kOutline;
    }
    if (y == 1) {
        return kMetalLight;
    }
    if (y <= 26) {
        const double t = (y - 2) / 24.0;
        return QColor::fromRgbF(float((247 - t * 30) / 255.0), float((246 - t * 31) / 255.0),
                                float((251 - t * 20) / 255.0));
    }
    switch (y) {
    case 27:
        return kMetalDark;
    case 28:
        return kViolet.lighter(150);
    case 29:
        return kViolet;
    case 30:
        return kPlum.darker(120);
    default:
        return QColor(188, 184, 204);
    }
}

QColor leftColumn(int x)
{
    static const QColor columns[kLeftWidth] = {kOutline,  kMetalLight, kMetalMid,
                                               kMetalMid, kMetalDark,  QColor(188, 184, 204)};
    return columns[qBound(0, x, kLeftWidth - 1)];
}

QColor rightColumn(int x)
{
    static const QColor columns[kRightWidth] = {QColor(188, 184, 204), kMetalMid, kMetalMid,
                                                kMetalDark, kOutline};
    return columns[qBound(0, x, kRightWidth - 1)];
}

QColor bottomRow(int y)
{
    static const QColor rows[kBottomHeight] = {
        QColor(188, 184, 204), kMetalLight, kMetalMid, kMetalMid, kMetalMid, kMetalDark, kMetalDark,
        QColor(110, 104, 132), kOutline};
    return rows[qBound(0, y, kBottomHeight - 1)];
}

// A frame edge: every pixel takes the colour its position along the edge's depth gives.
template <typename ColourAt> QImage shadedEdge(int width, int height, ColourAt colourAt)
{
    QImage image = canvas(width, height, Qt::black);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, y, colourAt(x, y));
        }
    }
    return image;
}

QImage topForm(int width)
{
    return shadedEdge(width, kTitleHeight, [](int, int y) { return titleRow(y); });
}

QImage leftForm()
{
    return shadedEdge(kLeftWidth, 59, [](int x, int) { return leftColumn(x); });
}

QImage rightForm()
{
    return shadedEdge(kRightWidth, 60, [](int x, int) { return rightColumn(x); });
}

QImage bottomForm()
{
    return shadedEdge(75, kBottomHeight, [](int, int y) { return bottomRow(y); });
}

void rivet(QPainter& p, const QPointF& centre)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kMetalDark);
    p.drawEllipse(centre, 1.6, 1.6);
    p.setBrush(kMetalLight);
    p.drawEllipse(centre - QPointF(0.5, 0.5), 0.7, 0.7);
}

// The emblem of the top-left corner: a violet badge with three sound waves.
void emblem(QPainter& p, const QPointF& centre)
{
    QRadialGradient glow(centre - QPointF(3, 3), 12);
    glow.setColorAt(0, kViolet.lighter(170));
    glow.setColorAt(1, kViolet);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(glow);
    p.drawEllipse(centre, 10.5, 10.5);
    p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(centre.x() - 6, centre.y() - 2, 3, 4));
    for (int i = 0; i < 3; ++i) {
        const double r = 3.0 + i * 2.6;
        p.drawArc(QRectF(centre.x() - 3 - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

QImage topLeft()
{
    QImage image = paper(31, 46);
    QPainter p(&image);
    p.drawImage(0, 0, topForm(31));
    // A gusset that carries the left edge a little into the client area under the band.
    QPainterPath gusset;
    gusset.moveTo(0, kTitleHeight - 1);
    gusset.lineTo(30, kTitleHeight - 1);
    gusset.cubicTo(18, kTitleHeight + 1, 9, 36, 6, 45.5);
    gusset.lineTo(0, 45.5);
    gusset.closeSubpath();
    QLinearGradient metal(0, 0, 30, 0);
    metal.setColorAt(0, kMetalMid);
    metal.setColorAt(1, kMetalDark);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kMetalDark.darker(130), 1));
    p.setBrush(metal);
    p.drawPath(gusset);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < 46; ++y) {
        for (int x = 0; x < kLeftWidth; ++x) {
            if (y >= kTitleHeight || x == 0) {
                image.setPixelColor(x, y, leftColumn(x));
            }
        }
    }
    for (int x = 0; x < 31; ++x) {
        image.setPixelColor(x, 0, kOutline);
    }
    p.setRenderHint(QPainter::Antialiasing);
    emblem(p, QPointF(16.5, 14.5));
    return image;
}

// The plate behind the title-bar buttons, right of the caption.
QImage topRight()
{
    QImage image = topForm(140);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient plate(0, 2, 0, 27);
    plate.setColorAt(0, QColor(214, 209, 229));
    plate.setColorAt(1, QColor(232, 229, 240));
    p.setPen(QPen(kMetalDark, 1));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(66.5, 1.5, 80, 25), 6, 6);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < kTitleHeight; ++y) {
        for (int x = 0; x < kRightWidth; ++x) {
            if (y > 0) {
                image.setPixelColor(140 - kRightWidth + x, y, rightColumn(x));
            }
        }
    }
    for (int x = 0; x < 140; ++x) {
        image.setPixelColor(x, 0, kOutline);
    }
    return image;
}

// The bottom corners are small metal plates; the bottom-right one carries a grip.
QImage bottomPlate(int width, int height, bool grip)
{
    QImage image = canvas(width, height, kMetalMid);
    QPainter p(&image);
    QLinearGradient metal(0, 0, width, height);
    metal.setColorAt(0, kMetalLight);
    metal.setColorAt(1, kMetalDark);
    p.fillRect(image.rect(), metal);
    p.setPen(kOutline);
    p.drawLine(0, height - 1, width - 1, height - 1);
    if (grip) {
        p.drawLine(width - 1, 0, width - 1, height - 1);
        p.setPen(QColor(188, 184, 204));
        p.drawLine(0, 0, width - 2, 0);
        p.drawLine(0, 0, 0, height - 2);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j <= i; ++j) {
                const QPointF dot(width - 4 - j * 3.0, height - 4 - (i - j) * 3.0);
                p.setPen(Qt::NoPen);
                p.setBrush(Qt::white);
                p.drawRect(QRectF(dot, QSizeF(1, 1)));
                p.setBrush(kSlate);
                p.drawRect(QRectF(dot - QPointF(1, 1), QSizeF(1, 1)));
            }
        }
    } else {
        p.drawLine(0, 0, 0, height - 1);
        p.setPen(QColor(188, 184, 204));
        p.drawLine(1, 0, width - 1, 0);
        p.drawLine(width - 1, 0, width - 1, height - 2);
        p.setRenderHint(QPainter::Antialiasing);
        rivet(p, QPointF(6.5, 7.5));
    }
    return image;
}

enum class Glyph { Close, Restore, Minimise };

// A title-bar button, drawn over the plate it sits on so its corners blend in.
QImage titleButton(Glyph glyph, bool pressed, int height)
{
    const int plateX = glyph == Glyph::Close ? 113 : glyph == Glyph::Restore ? 92 : 71;
    QImage image = topRight().copy(plateX, 4, 21, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(1.5, 1.5, 18, height - 3);
    QLinearGradient fill(0, 0, 0, height);
    if (glyph == Glyph::Close) {
        fill.setColorAt(0, pressed ? kPlum.darker(120) : kPlum.lighter(160));
        fill.setColorAt(1, pressed ? kPlum.lighter(130) : kPlum);
    } else {
        fill.setColorAt(0, pressed ? kMetalDark : Qt::white);
        fill.setColorAt(1, pressed ? kMetalMid : kMetalMid);
    }
    p.setPen(QPen(pressed ? kViolet : kOutline, 1));
    p.setBrush(fill);
    p.drawRoundedRect(face, 4, 4);
    const QPointF shift = pressed ? QPointF(0.5, 0.5) : QPointF(0, 0);
    const QColor ink = glyph == Glyph::Close ? Qt::white : kSlate;
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = face.center() + shift;
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
        p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        break;
    case Glyph::Restore:
        p.setPen(QPen(ink, 1.5));
        p.drawRect(QRectF(c.x() - 4.5, c.y() - 4, 9, 8));
        p.drawLine(c + QPointF(-4.5, -2.5), c + QPointF(4.5, -2.5));
        break;
    case Glyph::Minimise:
        p.drawLine(c + QPointF(-4, 3.5), c + QPointF(4, 3.5));
        break;
    }
    return image;
}

QImage pushButton(bool pressed)
{
    QImage image = canvas(95, 22, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 22);
    fill.setColorAt(0, pressed ? QColor(196, 190, 216) : QColor(252, 251, 254));
    fill.setColorAt(0.5, pressed ? QColor(210, 205, 226) : QColor(232, 229, 240));
    fill.setColorAt(1, pressed ? QColor(228, 225, 238) : QColor(205, 200, 221));
    p.setPen(QPen(pressed ? kViolet : QColor(118, 112, 142), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 94, 21), 5, 5);
    p.setPen(QPen(pressed ? QColor(0, 0, 0, 40) : QColor(255, 255, 255, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 1.5, 92, 19), 4, 4);
    return image;
}

QImage checkBox(bool on)
{
    QImage image = canvas(12, 12, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 12);
    fill.setColorAt(0, QColor(226, 223, 236));
    fill.setColorAt(1, Qt::white);
    p.setPen(QPen(kSlate, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 11, 11), 2, 2);
    if (on) {
        p.setPen(QPen(kViolet, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(2.8, 6.2);
        tick.lineTo(5.0, 8.6);
        tick.lineTo(9.4, 3.2);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    return image;
}

QImage radioButton(bool on)
{
    QImage image = canvas(12, 12, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 12);
    fill.setColorAt(0, QColor(226, 223, 236));
    fill.setColorAt(1, Qt::white);
    p.setPen(QPen(kSlate, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
    if (on) {
        QRadialGradient dot(QPointF(5, 5), 4);
        dot.setColorAt(0, kViolet.lighter(170));
        dot.setColorAt(1, kViolet);
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(QRectF(3, 3, 6, 6));
    }
    return image;
}

// A recessed groove, horizontal, for the scroll-bar track and the progress trough.
// capLeft / capRight round the groove's ends.
QImage groove(int width, int height, bool capLeft, bool capRight, int inset)
{
    QImage image = canvas(width, height, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = (height - 2 * inset) / 2.0;
    QRectF body(inset + 0.5, inset + 0.5, width - 2 * inset - 1, height - 2 * inset - 1);
    if (!capLeft) {
        body.setLeft(-radius - 2);
    }
    if (!capRight) {
        body.setRight(width + radius + 2);
    }
    QLinearGradient fill(0, inset, 0, height - inset);
    fill.setColorAt(0, QColor(176, 171, 196));
    fill.setColorAt(0.25, kGroove);
    fill.setColorAt(1, QColor(236, 234, 242));
    p.setPen(QPen(QColor(124, 118, 148), 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);
    return image;
}

QImage arrowButton(bool pressed, bool pointsLeft)
{
    QImage image = canvas(10, 13, kGroove);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 13);
    fill.setColorAt(0, pressed ? kMetalDark : Qt::white);
    fill.setColorAt(1, pressed ? kMetalMid : QColor(196, 191, 212));
    p.setPen(QPen(pressed ? kViolet : QColor(108, 102, 132), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 9, 12), 2.5, 2.5);
    QPolygonF triangle;
    const double shift = pressed ? 0.5 : 0.0;
    if (pointsLeft) {
        triangle << QPointF(2.6 + shift, 6.5 + shift) << QPointF(6.6 + shift, 3.5 + shift)
                 << QPointF(6.6 + shift, 9.5 + shift);
    } else {
        triangle << QPointF(7.4 + shift, 6.5 + shift) << QPointF(3.4 + shift, 3.5 + shift)
                 << QPointF(3.4 + shift, 9.5 + shift);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? kViolet : kSlate);
    p.drawPolygon(triangle);
    return image;
}

QImage thumb()
{
    QImage image = canvas(14, 13, kGroove);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 13);
    fill.setColorAt(0, kViolet.lighter(190));
    fill.setColorAt(0.5, kViolet.lighter(130));
    fill.setColorAt(1, kViolet);
    p.setPen(QPen(kPlum.darker(150), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 13, 12), 3.5, 3.5);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    for (int x : {5, 7, 9}) {
        p.drawLine(QPointF(x - 0.5, 4), QPointF(x - 0.5, 9));
    }
    return image;
}

// The filled progress bar: a glossy violet pill on the key colour. Its edges are
// smoothed against the groove colour, so only pixels the pill does not touch at all
// carry the key.
QImage progressBar()
{
    const int width = 109;
    const int height = 14;
    const QRectF pill(0.5, 0.5, width - 1, height - 1);
    const double radius = (height - 1) / 2.0;
    QImage image = canvas(width, height, kGroove);
    QImage coverage(width, height, QImage::Format_ARGB32);
    coverage.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, 0, 0, height);
        fill.setColorAt(0, QColor(190, 160, 240));
        fill.setColorAt(0.45, QColor(120, 70, 210));
        fill.setColorAt(0.55, kViolet);
        fill.setColorAt(1, kPlum);
        p.setPen(QPen(kPlum.darker(150), 1));
        p.setBrush(fill);
        p.drawRoundedRect(pill, radius, radius);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawRoundedRect(QRectF(4, 2, width - 8, 4), 2, 2);
        QPainter c(&coverage);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(QPen(Qt::white, 1));
        c.setBrush(Qt::white);
        c.drawRoundedRect(pill, radius, radius);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (qAlpha(coverage.pixel(x, y)) == 0) {
                image.setPixelColor(x, y, kKey);
            }
        }
    }
    return image;
}

// A vertical piece is its horizontal twin mirrored across the diagonal: left becomes
// top, so a left arrow becomes an up arrow.
QImage transposed(const QImage& image)
{
    return image.transformed(QTransform(0, 1, 1, 0, 0, 0));
}

using Painter = std::function<QImage()>;

const std::map<QString, Painter>& painters()
{
    static const std::map<QString, Painter> table = {
        {QStringLiteral("BACKGROUND"), [] { return paper(97, 92); }},
        {QStringLiteral("TOPLEFT"), [] { return topLeft(); }},
        {QStringLiteral("TOPRIGHT"), [] { return topRight(); }},
        {QStringLiteral("BOTTOMLEFT"), [] { return bottomPlate(13, 19, false); }},
        {QStringLiteral("BOTTOMRIGHT"), [] { return bottomPlate(14, 22, true); }},
        {QStringLiteral("TOPFORM"), [] { return topForm(60); }},
        {QStringLiteral("BOTTOMFORM"), [] { return bottomForm(); }},
        {QStringLiteral("LEFTFORM"), [] { return leftForm(); }},
        {QStringLiteral("RIGHTFORM"), [] { return rightForm(); }},
        {QStringLiteral("CLOSEUP"), [] { return titleButton(Glyph::Close, false, 21); }},
        {QStringLiteral("CLOSEDN"), [] { return titleButton(Glyph::Close, true, 21); }},
        {QStringLiteral("RESTOREUP"), [] { return titleButton(Glyph::Restore, false, 21); }},
        {QStringLiteral("RESTOREDN"), [] { return titleButton(Glyph::Restore, true, 21); }},
        {QStringLiteral("MINIUP"), [] { return titleButton(Glyph::Minimise, false, 20); }},
        {QStringLiteral("MINIDN"), [] { return titleButton(Glyph::Minimise, true, 20); }},
        {QStringLiteral("BUTTONUP"), [] { return pushButton(false); }},
        {QStringLiteral("BUTTONDN"), [] { return pushButton(true); }},
        {QStringLiteral("CHECKOFF"), [] { return checkBox(false); }},
        {QStringLiteral("CHECKON"), [] { return checkBox(true); }},
        {QStringLiteral("RADIOOFF"), [] { return radioButton(false); }},
        {QStringLiteral("RADIOON"), [] { return radioButton(true); }},
        {QStringLiteral("SBACKGROUND"), [] { return paper(273, 74); }},
        {QStringLiteral("HLEFT"), [] { return groove(12, 22, true, false, 2); }},
        {QStringLiteral("HRIGHT"), [] { return groove(12, 22, false, true, 2); }},
        {QStringLiteral("MHSCROLL"), [] { return groove(36, 22, false, false, 2); }},
        {QStringLiteral("HLEFTUP"), [] { return arrowButton(false, true); }},
        {QStringLiteral("HLEFTDN"), [] { return arrowButton(true, true); }},
        {QStringLiteral("HRIGHTUP"), [] { return arrowButton(false, false); }},
        {QStringLiteral("HRIGHTDN"), [] { return arrowButton(true, false); }},
        {QStringLiteral("THUMB"), [] { return thumb(); }},
        {QStringLiteral("VSCROLLTOP"), [] { return transposed(groove(12, 22, true, false, 2)); }},
        {QStringLiteral("VSCROLLBOTTOM"),
         [] { return transposed(groove(12, 22, false, true, 2)); }},
        {QStringLiteral("VMIDSCROLL"), [] { return transposed(groove(36, 22, false, false, 2)); }},
        {QStringLiteral("VUPUP"), [] { return transposed(arrowButton(false, true)); }},
        {QStringLiteral("VUPDN"), [] { return transposed(arrowButton(true, true)); }},
        {QStringLiteral("VDNUP"), [] { return transposed(arrowButton(false, false)); }},
        {QStringLiteral("VDNDN"), [] { return transposed(arrowButton(true, false)); }},
        {QStringLiteral("VTHUMB"), [] { return transposed(thumb()); }},
        {QStringLiteral("HBPROGLEFT"), [] { return groove(19, 19, true, false, 1); }},
        {QStringLiteral("HBPROGRIGHT"), [] { return groove(19, 19, false, true, 1); }},
        {QStringLiteral("HBPROGMID"), [] { return groove(60, 19, false, false, 1); }},
        {QStringLiteral("HPROGRESS"), [] { return progressBar(); }},
        {QStringLiteral("VPROGUP"), [] { return transposed(groove(19, 19, true, false, 1)); }},
        {QStringLiteral("VPROGDN"), [] { return transposed(groove(19, 19, false, true, 1)); }},
        {QStringLiteral("VBPROGMID"), [] { return transposed(groove(60, 19, false, false, 1)); }},
        {QStringLiteral("VPROGRESS"), [] { return transposed(progressBar()); }},
    };
    return table;
}

} // namespace

QImage paintPiece(const QString& name)
{
    const auto it = painters().find(name);
    return it == painters().end() ? QImage() : it->second();
}

} // namespace artwork
