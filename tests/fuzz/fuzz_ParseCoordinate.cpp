// libFuzzer target: the bevelled button's "(x,y)" offset text. Any text must either be
// accepted, normalised to exactly "(x,y)" and read the same again, or be refused with
// one message box.
#include "controls/bevel/mdlSHPCLR.h"
#include "support/FakeMessageBoxService.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static support::FakeMessageBoxService boxes;
    boxes.clear();
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    qint16 x = 0;
    qint16 y = 0;
    if (!bevel::mdlSHPCLR::ParseCoordinate(text, x, y)) {
        if (boxes.boxes().size() != 1) {
            std::abort();
        }
        return 0;
    }
    QString again = text;
    qint16 x2 = 0;
    qint16 y2 = 0;
    if (!boxes.boxes().isEmpty() || text != QStringLiteral("(%1,%2)").arg(x).arg(y) ||
        !bevel::mdlSHPCLR::ParseCoordinate(again, x2, y2) || again != text || x2 != x || y2 != y) {
        std::abort();
    }
    return 0;
}
