#pragma once

#include <QByteArray>
#include <QString>

// Reading a whole document file into memory, with the size limit the editor can hold
// comfortably and a reason the user can read when it fails.
namespace platform::documentfile {

// Larger files are refused before anything is read.
constexpr qint64 kMaxBytes = qint64(256) * 1024 * 1024;

struct ReadResult
{
    bool ok = false;
    QByteArray data;
    QString error; // why the file was not read; empty when ok
};

ReadResult read(const QString& path, qint64 maxBytes = kMaxBytes);

} // namespace platform::documentfile
