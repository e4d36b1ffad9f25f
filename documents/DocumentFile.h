#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// Reading a whole document file into memory, with the size limit the editor can hold
// comfortably and a reason the user can read when it fails.
namespace documents::documentfile {

// Larger files are refused before anything is read.
constexpr qint64 kMaxBytes = qint64(256) * 1024 * 1024;

// The file's bytes, or why the file was not read.
platform::Result<QByteArray> read(const QString& path, qint64 maxBytes = kMaxBytes);

} // namespace documents::documentfile
