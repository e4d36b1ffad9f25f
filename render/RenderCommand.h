#pragma once

#include "render/RenderOptions.h"

#include <QStringList>
#include <cstdio>

namespace render {

// parlanza-render's work: reads each input, renders it with the chosen voice into its
// output (written aside, moved into place only when complete), and reports one line per
// output. Exit status 0 when all were written, 1 when some failed, 2 on a usage error.
class RenderCommand
{
public:
    static constexpr int ExitDone = 0;
    static constexpr int ExitSomeFailed = 1;
    static constexpr int ExitUsage = 2;
    // An interrupted run ends as the shell reports a signal: 128 and its number (Ctrl+C 130,
    // TERM 143, HUP 129).
    static constexpr int ExitSignalBase = 128;

    // Runs the whole command line (without the program name).
    static int run(const QStringList& arguments, FILE* out = stdout, FILE* err = stderr);

    // Called from a signal handler: the current render stops, nothing partial is kept, and
    // the run ends with the signal's status.
    static void interrupt(int signal);
    static bool interrupted();
};

} // namespace render
