#pragma once

#include <QLockFile>
#include <QString>

// The single running copy: a lock file that a crashed copy does not leave stuck
// (a lock whose process is gone is taken over).
namespace platform {

class SingleInstance
{
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());

    // True when no other copy holds the lock; this copy then holds it until it ends.
    // A lock that cannot be made at all (no writable folder) lets the program run.
    bool tryAcquire();

    // One lock per user, in the temporary folder ($TMPDIR honoured).
    static QString defaultLockPath();

private:
    QLockFile m_lock;
};

} // namespace platform
