#pragma once

#include "platform/Result.h"

#include <QString>
#include <optional>

namespace recording {

// The sound file formats a recording can be written in, told apart by extension.
// M4b is AAC in MP4, an audiobook (.m4b) or, with the same contents, music (.m4a).
enum class SoundFormat { Wave, Mp3, OggVorbis, Opus, Flac, M4b };

// The format an extension names ("mp3", "FLAC"), none for one that names no format.
std::optional<SoundFormat> formatForName(const QString& name);
// The format a recording's path asks for by its extension (a path without one is a wave
// file), or, for an extension that names none, the message that says so and lists them.
// Every place a recording is asked for checks its path here and nowhere else.
platform::Result<SoundFormat> formatForPath(const QString& path);
// The format's first extension ("m4b" rather than "m4a").
QString extension(SoundFormat format);
// The save dialog's filter: wave files first, then every other format.
QString dialogFilter();

} // namespace recording
