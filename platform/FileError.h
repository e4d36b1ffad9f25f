#pragma once

#include <QString>

class QFileDevice;

namespace platform {

// Why a file could not be read or written, in the system's own words where it has them
// ("No space left on device", "Permission denied", "Read-only file system", ...): from
// the error number the failing call left behind, else from what the file says. Never
// "Unknown error": a reason the system does not give becomes a plain general one.
QString fileErrorText(int errorNumber, const QFileDevice* file = nullptr);

// The error number that keeps a file from being written at the path (the file's own, or
// its folder's when there is no file yet), or 0 when nothing does.
int writeAccessError(const QString& path);

// Why nothing can be written at the path, said before trying: "x is a folder.", "The folder
// y does not exist."; empty when neither stands in the way. A link is followed to where it
// points, as writing through it does.
QString writeTargetProblem(const QString& path);

} // namespace platform
