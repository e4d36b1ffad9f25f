#include "platform/WarmUp.h"

#include "platform/Resources.h"

#include <QString>
#include <fontconfig/fontconfig.h>

namespace platform {

void warmUpFontsAndImages()
{
    FcInit();
    resources::bitmap(QStringLiteral("BACKGROUND"));
}

} // namespace platform
