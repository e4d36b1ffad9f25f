#include "helpviewer/HelpViewer.h"

#include "helpviewer/ChmHelpViewer.h"

namespace helpviewer {
namespace {

HelpViewer* g_current = nullptr;

} // namespace

HelpViewer& HelpViewer::current()
{
    if (g_current) {
        return *g_current;
    }
    static ChmHelpViewer viewer;
    return viewer;
}

void HelpViewer::setCurrent(HelpViewer* viewer)
{
    g_current = viewer;
}

} // namespace helpviewer
