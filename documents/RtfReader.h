#pragma once

#include "documents/DocumentOutline.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads rich text (RTF) into a QTextDocument: characters, paragraphs, tabs, bold,
// italic, underline, strike-through, font name and size, text and background colours.
// Everything else (pictures, objects, headers) is skipped; style sheets are read only for
// the headings they make.
namespace documents {

// Whether the rich text was there to its end: CutShort when the data ends before the
// document's own group closes (a file truncated or damaged on its way).
enum class RtfEnd { Complete, CutShort };

class RtfReader
{
public:
    // Replaces the document's content with the rich text. Data that does not begin
    // like rich text is refused and leaves the document as it was; a file cut short
    // keeps what was read up to its end. outline, when given, gets what the text says
    // about itself: its information group's title and author, and its headings (paragraphs
    // with an outline level, or in a "heading N" style) at their blocks' positions.
    static platform::Result<RtfEnd> read(const QByteArray& data, QTextDocument& document,
                                         DocumentOutline* outline = nullptr);

    // The same for a file; a file that cannot be read is refused with the reason.
    static platform::Result<RtfEnd> readFile(const QString& path, QTextDocument& document);

    // Whether the data begins like rich text ("{\rtf", after optional blanks).
    static bool looksLikeRtf(const QByteArray& data);
};

} // namespace documents
