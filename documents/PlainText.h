#pragma once

#include <QByteArray>
#include <QString>

// Decoding plain-text files.
namespace documents::plaintext {

// Text from the bytes of a plain-text file: UTF-16 with either byte-order mark, UTF-8
// with or without its mark, and otherwise Windows-1252.
QString decode(const QByteArray& bytes);

} // namespace documents::plaintext
