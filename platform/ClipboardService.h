#pragma once

#include <QString>

// The system clipboard as the editing commands use it: plain text in, plain text out.
namespace platform::clipboard {

// The clipboard's plain text; empty when it holds no text (nothing, or a picture).
QString text();
// Puts plain text on the clipboard, replacing everything it held.
void setText(const QString& text);
// Empties the clipboard of every format.
void clear();

} // namespace platform::clipboard
