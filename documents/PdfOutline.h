#pragma once

#include "documents/DocumentOutline.h"

#include <QByteArray>
#include <QList>
#include <QStringView>

// A PDF file's bookmarks as chapters, through Poppler's Qt interface (its C++ interface
// cannot tell where a bookmark leads), and its title and author.
namespace documents::pdfoutline {

// Each bookmark placed at its heading in its page's text, or at the page's start when the
// heading is not found there. pageStarts: where each page's text begins in text. A file
// whose outline cannot be read gives an empty outline.
DocumentOutline read(const QByteArray& data, const QList<qsizetype>& pageStarts, QStringView text);

} // namespace documents::pdfoutline
