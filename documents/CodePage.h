#pragma once

#include <QByteArray>
#include <QString>

// Decoding of bytes written in a Windows code page (1252, 1251, 932, 936, ...), as
// rich-text files and old plain-text files carry them.
namespace documents::codepage {

// Whether the code page is one this system can decode.
bool isSupported(int codePage);

// The bytes decoded from the code page. A byte sequence the code page does not define
// becomes U+FFFD and decoding goes on with the next byte; an unknown code page is read
// as Windows-1252.
QString decode(const QByteArray& bytes, int codePage);

} // namespace documents::codepage
