#include "app/StartUpWarmUp.h"

#include "platform/WarmUp.h"

namespace app {

StartUpWarmUp::StartUpWarmUp() : m_fonts(platform::warmUpFontsAndImages) {}

StartUpWarmUp::~StartUpWarmUp()
{
    m_fonts.join();
}

} // namespace app
