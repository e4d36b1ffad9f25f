#include "platform/SingleInstance.h"

#include "platform/EventLog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <unistd.h>

namespace platform {

namespace {

// The running copy answers each file it took, so the sender knows it may end.
const QByteArray kTaken = QByteArrayLiteral("OK\n");
// A copy that holds the lock may still be building its window.
constexpr int kHandOffWaitMs = 10000;

} // namespace

SingleInstance::SingleInstance(const QString& lockPath) : m_lock(lockPath), m_lockPath(lockPath)
{
    // Only a dead owner makes a lock stale, never its age: a copy may run for days.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    delete m_server.data();
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

QString SingleInstance::socketPath() const
{
    QString path = m_lockPath;
    if (path.endsWith(QLatin1String(".lock"))) {
        path.chop(5);
    }
    return path + QLatin1String(".socket");
}

bool SingleInstance::listen(std::function<void(const QString& file)> onFile)
{
    delete m_server.data();
    auto* server = new QLocalServer;
    m_server = server;
    // Whoever holds the lock owns the socket: one left by a crashed copy is removed.
    QLocalServer::removeServer(socketPath());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        eventlog::warning(QStringLiteral("Files from other copies cannot be received at %1: %2")
                              .arg(QDir::toNativeSeparators(socketPath()), server->errorString()));
        return false;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onFile] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, server, onFile] {
                while (socket->canReadLine()) {
                    const QString file = QString::fromUtf8(socket->readLine()).chopped(1);
                    socket->write(kTaken);
                    socket->flush();
                    // Opening the file may show a box with an event loop of its own, in which
                    // this socket can go away: the other copy has its answer, and the file is
                    // opened from the event loop.
                    if (!file.isEmpty()) {
                        QMetaObject::invokeMethod(
                            server, [onFile, file] { onFile(file); }, Qt::QueuedConnection);
                    }
                }
            });
        }
    });
    return true;
}

bool SingleInstance::handOff(const QString& file) const
{
    const QDeadlineTimer deadline(kHandOffWaitMs);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(500)) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(3000)) {
        return false;
    }
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(static_cast<int>(
                                         std::max<qint64>(deadline.remainingTime(), 1000)))) {
        answer += socket.readAll();
    }
    return answer == kTaken;
}

QString SingleInstance::defaultLockPath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("parlanza-%1.lock").arg(::getuid()));
}

} // namespace platform
