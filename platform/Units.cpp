#include "platform/Units.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultTwipsPerPixel = 15.0;

double g_override = 0.0;

double twipsPerPixel(bool horizontal)
{
    if (g_override > 0.0) {
        return g_override;
    }
    const QScreen* screen =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                     : nullptr;
    if (!screen) {
        return kDefaultTwipsPerPixel;
    }
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0.0 ? kTwipsPerInch / dpi : kDefaultTwipsPerPixel;
}

} // namespace

qint64 roundHalfEven(double value)
{
    // Not std::nearbyint: that follows whatever rounding mode the process is in.
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    if (fraction > 0.5) {
        return static_cast<qint64>(floorValue) + 1;
    }
    if (fraction < 0.5) {
        return static_cast<qint64>(floorValue);
    }
    const auto lower = static_cast<qint64>(floorValue);
    return (lower % 2 == 0) ? lower : lower + 1;
}

double twipsPerPixelX()
{
    return twipsPerPixel(true);
}

double twipsPerPixelY()
{
    return twipsPerPixel(false);
}

void setTwipsPerPixelOverride(double twipsPerPixel)
{
    g_override = twipsPerPixel;
}

int twipsToPixelsX(double twips)
{
    return static_cast<int>(roundHalfEven(twips / twipsPerPixelX()));
}

int twipsToPixelsY(double twips)
{
    return static_cast<int>(roundHalfEven(twips / twipsPerPixelY()));
}

double pixelsToTwipsX(double pixels)
{
    return pixels * twipsPerPixelX();
}

double pixelsToTwipsY(double pixels)
{
    return pixels * twipsPerPixelY();
}

} // namespace platform
