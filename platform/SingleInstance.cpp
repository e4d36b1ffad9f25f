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
// A command line starts with a mark no handed file can start with (files are sent with
// their absolute paths), then its name and its argument in base 64, which may hold line
// ends. A refused command is answered with the reason, in base 64 too.
constexpr char kCommandMark = ':';
const QByteArray kRefused = QByteArrayLiteral("NO ");
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

bool SingleInstance::listen(std::function<void(const QString& file)> onFile,
                            CommandHandler onCommand)
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
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onFile, onCommand] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [=] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().chopped(1);
                    if (line.startsWith(kCommandMark) && onCommand) {
                        const QList<QByteArray> parts = line.mid(1).split(' ');
                        const Result<CommandWork> answer =
                            onCommand(QString::fromUtf8(parts.value(0)),
                                      QString::fromUtf8(QByteArray::fromBase64(parts.value(1))));
                        socket->write(
                            answer ? kTaken : kRefused + answer.error().toUtf8().toBase64() + '\n');
                        socket->flush();
                        if (answer && answer.value()) {
                            QMetaObject::invokeMethod(server, answer.value(), Qt::QueuedConnection);
                        }
                        continue;
                    }
                    const QString file = QString::fromUtf8(line);
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
    return exchange(file.toUtf8() + '\n') == kTaken;
}

std::optional<Result<void>> SingleInstance::handOffCommand(const QString& name,
                                                           const QString& argument) const
{
    const QByteArray answer =
        exchange(kCommandMark + name.toUtf8() + ' ' + argument.toUtf8().toBase64() + '\n');
    if (answer == kTaken) {
        return Result<void>();
    }
    if (answer.startsWith(kRefused)) {
        return Result<void>(Failure{
            QString::fromUtf8(QByteArray::fromBase64(answer.mid(kRefused.size()).trimmed()))});
    }
    return std::nullopt;
}

QByteArray SingleInstance::exchange(const QByteArray& line) const
{
    const QDeadlineTimer deadline(kHandOffWaitMs);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(500)) {
            break;
        }
        if (deadline.hasExpired()) {
            return {};
        }
        QThread::msleep(100);
    }
    socket.write(line);
    if (!socket.waitForBytesWritten(3000)) {
        return {};
    }
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(static_cast<int>(
                                         std::max<qint64>(deadline.remainingTime(), 1000)))) {
        answer += socket.readAll();
    }
    return answer;
}

QString SingleInstance::defaultLockPath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("parlanza-%1.lock").arg(::getuid()));
}

} // namespace platform
