#include "platform/ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// How often collecting looks whether the child has ended while its stream stays open
// (something it started may hold the stream after it is gone).
constexpr int kPollSliceMs = 50;
constexpr long kReapStepNs = 2'000'000;

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

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// A socket rather than pipes: a write to a child that has died then fails instead of
// ending this process with SIGPIPE.
Result<std::unique_ptr<ChildProcess>>
ChildProcess::start(const QString& program, const QStringList& arguments, Channel channel)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return Failure{systemError(errno)};
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
    if (channel == Channel::TwoWay) {
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    }
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed != 0) {
        close(ends[0]);
        return Failure{systemError(failed)};
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, ends[0]));
}

Result<std::unique_ptr<ChildProcess>> ChildProcess::fork(const std::function<int(int)>& work)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return Failure{systemError(errno)};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        close(ends[0]);
        ::_exit(work(ends[1]));
    }
    const int forkError = errno;
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return Failure{systemError(forkError)};
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, ends[0]));
}

ChildProcess::~ChildProcess()
{
    shutdown(m_socket, SHUT_RDWR);
    close(m_socket);
    kill();
}

void ChildProcess::reaped(int status)
{
    m_running = false;
    m_status = status;
}

void ChildProcess::kill()
{
    // The group outlives its leader while anything it started runs; its number is not
    // given to another process until the last of them has gone.
    ::kill(-m_pid, SIGKILL);
    if (m_running) {
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        reaped(status);
    }
    shutdown(m_socket, SHUT_RDWR);
}

ChildProcess::Collected ChildProcess::collect(int timeLimitMs, qint64 maxBytes)
{
    QElapsedTimer clock;
    clock.start();
    Collected result;
    bool overrun = false;
    char buffer[65536];
    for (;;) {
        int status = 0;
        if (m_running && waitpid(m_pid, &status, WNOHANG) == m_pid) {
            reaped(status);
        }
        const qint64 left = timeLimitMs - clock.elapsed();
        if (m_running && left <= 0) {
            result.timedOut = true;
            break;
        }
        // Once the child has gone, only what it left in the stream is taken.
        pollfd stream = {m_socket, POLLIN, 0};
        const int ready =
            ::poll(&stream, 1, m_running ? int(std::min<qint64>(left, kPollSliceMs)) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0 && m_running) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        const ssize_t got = ::read(m_socket, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break; // the stream is closed: the child is ending
        }
        result.output.append(buffer, got);
        if (result.output.size() > maxBytes) {
            overrun = true;
            break;
        }
    }
    // A child that closed its stream ends in a moment; one that does not is out of time.
    while (m_running && !result.timedOut && !overrun) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            reaped(status);
        } else if (clock.elapsed() >= timeLimitMs) {
            result.timedOut = true;
        } else {
            const timespec step = {0, kReapStepNs};
            nanosleep(&step, nullptr);
        }
    }
    kill();
    result.exitedCleanly =
        !result.timedOut && !overrun && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
    return result;
}

bool ChildProcess::writeAll(const void* data, qint64 size)
{
    return transferAll(static_cast<const char*>(data), size, [this](const char* bytes, size_t n) {
        return send(m_socket, bytes, n, MSG_NOSIGNAL);
    });
}

bool ChildProcess::readAll(void* data, qint64 size)
{
    return readAllFrom(m_socket, data, size);
}

bool ChildProcess::writeAllTo(int descriptor, const void* data, qint64 size)
{
    return transferAll(
        static_cast<const char*>(data), size,
        [descriptor](const char* bytes, size_t count) { return write(descriptor, bytes, count); });
}

bool ChildProcess::readAllFrom(int descriptor, void* data, qint64 size)
{
    return transferAll(static_cast<char*>(data), size, [descriptor](char* bytes, size_t count) {
        return read(descriptor, bytes, count);
    });
}

} // namespace platform
