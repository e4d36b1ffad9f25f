#pragma once

#include "documents/DocumentOutline.h"

#include <QByteArray>
#include <QStringView>

// The outline of word-processor documents (.docx, .odt), read from the XML in their zip
// container beside LibreOffice's text: the headings by outline level, found again in the
// converted text, and the title and author from the document's properties.
namespace documents {

class ZipArchive;

namespace wordoutline {

enum class Format { OfficeOpenXml, OpenDocument };

// The document's main part (word/document.xml, content.xml), already read, holds its headings;
// the archive, its styles and properties. Anything that cannot be read leaves its part of the
// outline empty.
DocumentOutline read(const ZipArchive& archive, Format format, const QByteArray& body,
                     QStringView text);

} // namespace wordoutline
} // namespace documents
