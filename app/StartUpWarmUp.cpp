#include "app/StartUpWarmUp.h"

#include "platform/Resources.h"
#include "speech/SpeechEngines.h"

#include <QString>
#include <fontconfig/fontconfig.h>

StartUpWarmUp::StartUpWarmUp()
    : m_thread([] {
          // The process-wide font configuration the window system's font database uses.
          FcInit();
          // The image reader and its format plugins, first needed by the skinned controls.
          platform::resources::bitmap(QStringLiteral("BACKGROUND"));
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
