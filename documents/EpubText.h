#pragma once

#include "platform/Result.h"

#include <QString>

// The text of electronic books (EPUB): the chapters' XHTML in the order of the book's
// spine, each read as a web page.
namespace documents {

class ZipArchive;

namespace epubtext {

// Whether the archive says it is an electronic book (its "mimetype" member).
bool isEpub(const ZipArchive& archive);

// The book's text, or why there is none: damaged, or locked by digital rights
// management.
platform::Result<QString> read(const ZipArchive& archive, qint64 maxBytes);

} // namespace epubtext
} // namespace documents
