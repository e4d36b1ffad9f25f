#pragma once

#include <QtGlobal>

// Twips and pixels, and the one rounding rule the program uses.
namespace platform {

// Rounds to the nearest integer; a value exactly midway goes to the even neighbour.
qint64 roundHalfEven(double value);

// Twips per pixel of the primary screen (15 at 96 dots per inch; 15 with no screen).
double twipsPerPixelX();
double twipsPerPixelY();

// Tests may pin the screen's twips per pixel; 0 returns to the screen's own value.
void setTwipsPerPixelOverride(double twipsPerPixel);

int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(double pixels);
double pixelsToTwipsY(double pixels);

} // namespace platform
