#include "platform/SingleInstance.h"

#include "platform/EventLog.h"

#include <QDir>

#include <unistd.h>

namespace platform {

SingleInstance::SingleInstance(const QString& lockPath)
    : m_lock(lockPath)
{
    // Only a dead owner makes a lock stale, never its age: a copy may run for days.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    if (m_lock.isLocked() || m_lock.tryLock(0)) {
        return true;
    }
    if (m_lock.error() == QLockFile::LockFailedError) {
        return false;
    }
    eventlog::warning(QStringLiteral("Could not create the lock file %1; running anyway.")
                          .arg(QDir::toNativeSeparators(m_lock.fileName())));
    return true;
}

QString SingleInstance::defaultLockPath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("parlanza-%1.lock").arg(::getuid()));
}

} // namespace platform
