#include "platform/WorkerProcess.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Moves all size bytes with read() or write(), going on after partial transfers and
// interrupted calls; false when the other end has closed or a call fails.
template <typename Byte, typename Call> bool transferAll(Byte* bytes, qint64 size, Call call)
{
    while (size > 0) {
        const ssize_t n = call(bytes, size_t(size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= n;
    }
    return true;
}

} // namespace

namespace platform {

Result<std::unique_ptr<WorkerProcess>> WorkerProcess::start(const QString& program,
                                                            const QStringList& arguments)
{
    // A socket rather than pipes: a write to a worker that has died then fails instead of
    // ending this process with SIGPIPE.
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return Failure{QString::fromLocal8Bit(std::strerror(errno))};
    }
    QList<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments) {
        storage.append(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& bytes : storage) {
        argv.push_back(bytes.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed != 0) {
        close(ends[0]);
        return Failure{QStringLiteral("%1 could not be started: %2")
                           .arg(program, QString::fromLocal8Bit(std::strerror(failed)))};
    }
    return std::unique_ptr<WorkerProcess>(new WorkerProcess(pid, ends[0]));
}

WorkerProcess::~WorkerProcess()
{
    // Closing its input ends a worker that waits for work; one still working is killed.
    shutdown(m_socket, SHUT_RDWR);
    close(m_socket);
    kill();
}

void WorkerProcess::kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
        shutdown(m_socket, SHUT_RDWR);
    }
}

bool WorkerProcess::writeAll(const void* data, qint64 size)
{
    return transferAll(static_cast<const char*>(data), size, [this](const char* bytes, size_t n) {
        return send(m_socket, bytes, n, MSG_NOSIGNAL);
    });
}

bool WorkerProcess::readAll(void* data, qint64 size)
{
    return readAllFrom(m_socket, data, size);
}

bool WorkerProcess::writeAllTo(int descriptor, const void* data, qint64 size)
{
    return transferAll(
        static_cast<const char*>(data), size,
        [descriptor](const char* bytes, size_t count) { return write(descriptor, bytes, count); });
}

bool WorkerProcess::readAllFrom(int descriptor, void* data, qint64 size)
{
    return transferAll(static_cast<char*>(data), size, [descriptor](char* bytes, size_t count) {
        return read(descriptor, bytes, count);
    });
}

} // namespace platform
