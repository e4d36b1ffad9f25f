// libFuzzer target: lexicon files in both formats. Any bytes must be read or refused
// without a crash or a sanitizer report; the entries read must survive being written in
// either format and read again, and the lexicon they make must apply to any text.
#include "speech/LexiconFile.h"

#include <QCoreApplication>
#include <cstdlib>

namespace lexicon_file = speech::lexicon_file;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_LexiconFile";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const lexicon_file::Format format :
         {lexicon_file::Format::Pls, lexicon_file::Format::TabSeparated}) {
        const platform::Result<lexicon_file::ReadResult> read = lexicon_file::read(bytes, format);
        if (!read) {
            continue;
        }
        const QList<speech::LexiconEntry>& entries = read.value().entries;
        for (const lexicon_file::Format again :
             {lexicon_file::Format::Pls, lexicon_file::Format::TabSeparated}) {
            const QByteArray written = lexicon_file::write(entries, again);
            const platform::Result<lexicon_file::ReadResult> back =
                lexicon_file::read(written, lexicon_file::detect(written));
            if (!back || back.value().entries != entries || !back.value().bad.isEmpty() ||
                lexicon_file::write(back.value().entries, again) != written) {
                std::abort();
            }
        }
        const speech::SpokenText spoken =
            speech::Lexicon(entries).apply(QString::fromUtf8(bytes), QStringLiteral("en"), true);
        if (spoken.source.size() != spoken.text.size() + 1) {
            std::abort();
        }
    }
    return 0;
}
