#pragma once

#include "documents/DocumentText.h"
#include "platform/Result.h"

#include <QString>

// The text of electronic books (EPUB): the chapters' XHTML in the order of the book's
// spine, each read as a web page; the outline from the book's table of contents (its
// navigation document, else the older NCX), its metadata and its cover picture.
namespace documents {

class ZipArchive;

namespace epubtext {

// Whether the archive says it is an electronic book (its "mimetype" member).
bool isEpub(const ZipArchive& archive);

// The book's text, or why there is none: damaged, or locked by digital rights
// management. A table of contents or cover that cannot be read is left out.
platform::Result<DocumentText> read(const ZipArchive& archive, qint64 maxBytes);

} // namespace epubtext
} // namespace documents
