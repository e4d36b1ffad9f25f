#pragma once

#include "platform/Result.h"

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;

// The single running copy: a lock file that a crashed copy does not leave stuck
// (a lock whose process is gone is taken over), and a local socket beside it through
// which a later copy hands its file, or a command, to the running one.
namespace platform {

class SingleInstance
{
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when no other copy holds the lock; this copy then holds it until it ends.
    // A lock that cannot be made at all (no writable folder) lets the program run.
    bool tryAcquire();

    // What the running copy makes of a command: the answer the other copy gets, and on
    // success the work, done from the event loop once that copy has its answer.
    using CommandWork = std::function<void()>;
    using CommandHandler =
        std::function<Result<CommandWork>(const QString& name, const QString& argument)>;
    // For the copy that holds the lock: each file a later copy hands over arrives at onFile,
    // each command at onCommand (when given), on the GUI thread. False when the socket
    // cannot be made (files and commands then cannot arrive).
    bool listen(std::function<void(const QString& file)> onFile, CommandHandler onCommand = {});

    // For a refused copy: gives the running copy a file to open, waiting a few seconds
    // for one that is still starting. False when no copy took it.
    bool handOff(const QString& file) const;
    // For a refused copy: hands a command over and returns the running copy's answer;
    // nothing when no copy answered.
    std::optional<Result<void>> handOffCommand(const QString& name,
                                               const QString& argument = QString()) const;

    // One lock per user, in the temporary folder ($TMPDIR honoured).
    static QString defaultLockPath();

private:
    QString socketPath() const;
    // Sends one line and returns the answer line; empty when no copy answered.
    QByteArray exchange(const QByteArray& line) const;

    QLockFile m_lock;
    QString m_lockPath;
    QPointer<QLocalServer> m_server;
};

} // namespace platform
