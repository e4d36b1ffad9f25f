#pragma once

#include <QByteArray>
#include <QString>

// Word-processor documents (.doc) to plain text, through LibreOffice run headless as a
// child process: a private profile, a private output folder, its own process group, a
// time limit. Nothing is left running afterwards and the clipboard is never touched.
namespace platform {

struct WordConversion
{
    bool ok = false;
    QString text;
    QString error; // why the document was not converted, for the user; empty when ok
};

class WordConverter
{
public:
    static constexpr int kDefaultTimeoutMs = 60000;

    // Blocks until the text is there, the converter failed or the time ran out.
    static WordConversion convert(const QString& path, int timeoutMs = kDefaultTimeoutMs);

    // Whether the data begins with the signature of an OLE compound file, the container
    // of .doc files.
    static bool hasOleSignature(const QByteArray& head);

    // The converter program; PARLANZA_SOFFICE names another one (tests use it).
    static QString converterProgram();
};

} // namespace platform
