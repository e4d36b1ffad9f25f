#include "app/StartUpWarmUp.h"

#include "speech/SpeechEngines.h"

#include <QString>
#include <fontconfig/fontconfig.h>

StartUpWarmUp::StartUpWarmUp()
    : m_thread([] {
          // The process-wide configuration the window system's font database then uses.
          FcInit();
          SpeechEngines& engines = SpeechEngines::instance();
          auto lock = engines.lock();
          // A failure is reported by the speech control, which asks again.
          QString ignored;
          engines.initialise(&ignored);
      })
{
}

StartUpWarmUp::~StartUpWarmUp()
{
    m_thread.join();
}
