// libFuzzer target for the rich-text reader: any bytes must be read or refused without
// a crash, a hang or a sanitizer report.

#include "documents/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    const platform::Result<documents::RtfEnd> result = documents::RtfReader::read(bytes, document);
    if (result.ok() != result.error().isEmpty()) {
        std::abort(); // either read without a reason or refused with one
    }
    (void)document.toPlainText();
    return 0;
}
