#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// Word-processor documents (.doc, .docx, .odt) to plain text, through LibreOffice run headless as a
// child process: a private profile, a private output folder, its own process group, a
// time limit. Nothing is left running afterwards and the clipboard is never touched.
namespace documents {

class WordConverter
{
public:
    static constexpr int kDefaultTimeoutMs = 60000;

    // The formats handed to the converter, each with its own import filter.
    enum class Format { Word97, OfficeOpenXml, OpenDocument };

    // A Word document's text, or why there is none (data that is not a Word document is
    // refused before anything runs). Blocks until the text is there, the converter failed
    // or the time ran out.
    static platform::Result<QString> convertWord(const QByteArray& data,
                                                 int timeoutMs = kDefaultTimeoutMs);

    // The text of a document already in memory, read in the given format.
    static platform::Result<QString> convertData(const QByteArray& data, Format format,
                                                 int timeoutMs = kDefaultTimeoutMs);

    // Whether the data begins with the signature of an OLE compound file, the container
    // of .doc files.
    static bool hasOleSignature(const QByteArray& head);

    // The converter program; PARLANZA_SOFFICE names another one (tests use it).
    static QString converterProgram();
};

} // namespace documents
