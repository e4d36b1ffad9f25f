#pragma once

#include "platform/Result.h"

#include <QString>
#include <memory>

namespace platform {

// A claim on a file about to be written, held until the file is in place: while it is
// held, any other claim on the same path, from this program or another run of it, is
// refused. The claim is a lock on a hidden file beside the target, removed on release.
class OutputClaim
{
public:
    // Refused with "cannot be written: " and the system's reason when the folder takes no
    // file, or with "is being written by another render" while someone else holds the path.
    static Result<std::shared_ptr<OutputClaim>> take(const QString& path);
    ~OutputClaim();
    OutputClaim(const OutputClaim&) = delete;
    OutputClaim& operator=(const OutputClaim&) = delete;

private:
    OutputClaim(QByteArray lockPath, int descriptor);

    QByteArray m_lockPath;
    int m_descriptor;
};

// The kind of thing at the path that is not a regular file ("a folder", "a device", "a
// FIFO", "a socket"), links followed; empty for a regular file or nothing at all.
QString notRegularFileKind(const QString& path);

} // namespace platform
