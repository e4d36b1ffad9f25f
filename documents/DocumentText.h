#pragma once

#include "documents/DocumentOutline.h"

#include <QString>

namespace documents {

// A document's text, and whether the document ended before its text did (a rich-text
// file cut short): what could be read is there, but more may be missing. The outline
// places its chapters in this text.
struct DocumentText
{
    QString text;
    bool cutShort = false;
    DocumentOutline outline;
};

} // namespace documents
