// libFuzzer target: a whole help file, read the way the viewer reads it, then every
// table the viewer uses. chmlib runs in its own child process, so a crash there is
// a refused file, while anything that goes wrong in this process is a finding.
#include "helpviewer/ChmFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <cstdlib>
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

namespace {

const char* g_childReports = nullptr;

// The reading child inherits libFuzzer's death callback, which would save the input as
// a crash of ours when a sanitizer stops chmlib in the child. Without it the child just
// dies, as it does in the program, and the parent refuses the file. Its report goes to
// PARLANZA_FUZZ_REFUSED (plus the child's id) when that is set, else to standard error.
void quietChild()
{
    __sanitizer_set_death_callback(nullptr);
    if (g_childReports) {
        __sanitizer_set_report_path(g_childReports);
    }
}

// In the working folder, which the runner keeps outside the tree; removed once read.
QString scratchFile()
{
    static const QString path =
        QStringLiteral("fuzz_ChmFile-%1.chm").arg(QCoreApplication::applicationPid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_childReports = ::getenv("PARLANZA_FUZZ_REFUSED");
    ::pthread_atfork(nullptr, nullptr, quietChild);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile file(scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 0;
    }
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    const helpviewer::ChmFile chm = helpviewer::ChmFile::open(scratchFile(), 3000);
    QFile::remove(scratchFile());
    if (!chm.isOpen()) {
        return 0;
    }
    chm.defaultTopic();
    chm.contents();
    chm.index();
    for (quint32 id = 0; id < 16; ++id) {
        chm.topicForContextId(id);
    }
    for (const QString& page : chm.pages()) {
        chm.pageTitle(page);
    }
    chm.search(QStringLiteral("voice speed"));
    chm.topicsForALink(QStringLiteral("Messages;Zoom"));
    chm.topicsForKeyword(QStringLiteral("Tone;Zoom"));
    return 0;
}
