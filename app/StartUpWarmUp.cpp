#include "app/StartUpWarmUp.h"

#include "platform/WarmUp.h"

StartUpWarmUp::StartUpWarmUp() : m_fonts(platform::warmUpFontsAndImages) {}

StartUpWarmUp::~StartUpWarmUp()
{
    m_fonts.join();
}
