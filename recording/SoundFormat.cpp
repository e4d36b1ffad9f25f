#include "recording/SoundFormat.h"

#include <QFileInfo>
#include <QStringList>

namespace recording {
namespace {

struct FormatEntry
{
    SoundFormat format;
    const char* extension;
    const char* filter;
};

// Dialog order: the wave entry the window always had, then the compressed formats.
constexpr FormatEntry Formats[] = {
    {SoundFormat::Wave, "wav", "Wav Files (*.wav)"},
    {SoundFormat::Mp3, "mp3", "MP3 Files (*.mp3)"},
    {SoundFormat::OggVorbis, "ogg", "Ogg Vorbis Files (*.ogg)"},
    {SoundFormat::Opus, "opus", "Opus Files (*.opus)"},
    {SoundFormat::Flac, "flac", "FLAC Files (*.flac)"},
    {SoundFormat::M4b, "m4b", "M4B Audiobook Files (*.m4b)"},
    {SoundFormat::M4b, "m4a", "M4A Files (*.m4a)"},
};

const FormatEntry& entryFor(SoundFormat format)
{
    for (const FormatEntry& entry : Formats) {
        if (entry.format == format) {
            return entry;
        }
    }
    return Formats[0];
}

} // namespace

std::optional<SoundFormat> formatForName(const QString& name)
{
    for (const FormatEntry& entry : Formats) {
        if (name.compare(QLatin1String(entry.extension), Qt::CaseInsensitive) == 0) {
            return entry.format;
        }
    }
    return std::nullopt;
}

platform::Result<SoundFormat> formatForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) {
        return SoundFormat::Wave;
    }
    if (const std::optional<SoundFormat> format = formatForName(suffix)) {
        return *format;
    }
    QStringList names;
    for (const FormatEntry& entry : Formats) {
        names.append(QLatin1Char('.') + QLatin1String(entry.extension));
    }
    return platform::Failure{
        QStringLiteral("The file name %1 ends in .%2, which names no sound "
                       "format. Use one of %3.")
            .arg(QFileInfo(path).fileName(), suffix, names.join(QStringLiteral(", ")))};
}

QString extension(SoundFormat format)
{
    return QLatin1String(entryFor(format).extension);
}

QString dialogFilter()
{
    QStringList parts;
    for (const FormatEntry& entry : Formats) {
        parts << QLatin1String(entry.filter)
              << QStringLiteral("*.") + QLatin1String(entry.extension);
    }
    return parts.join(QLatin1Char('|'));
}

} // namespace recording
