#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The fixed version of a Windows program or library, read from the version resource
// of its PE file, so that no Windows is needed to read it.
namespace helpviewer {

struct FileVersion
{
    quint16 major = 0;
    quint16 minor = 0;
    quint16 build = 0;
    quint16 revision = 0;

    // Version data bigger than this is not looked at.
    static constexpr qint64 MaxVersionData = 64000;

    static std::optional<FileVersion> read(const QString& path);
    static std::optional<FileVersion> fromImage(const QByteArray& image);

    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

} // namespace helpviewer
