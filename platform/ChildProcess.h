#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <sys/types.h>

namespace platform {

// A child process in a process group of its own, so that it can be ended with everything
// it started: a program (found on PATH like a shell finds it), or a function run in a fork
// of this process. It is connected to this process by one stream; its output can be
// collected within a time limit. Ending the object kills the group and reaps the child.
class ChildProcess
{
public:
    enum class Channel {
        TwoWay,     // standard input and output are the stream; errors go where ours go
        OutputOnly, // standard output and errors are the stream; input is empty
    };

    // Fails with the system's reason when the program cannot be started.
    static Result<std::unique_ptr<ChildProcess>>
    start(const QString& program, const QStringList& arguments, Channel channel = Channel::TwoWay);
    // Runs work in the child with the stream's descriptor; what work returns is the
    // child's exit status. The child ends with work, without running this process's
    // destructors or exit handlers.
    static Result<std::unique_ptr<ChildProcess>> fork(const std::function<int(int)>& work);

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // All bytes or false (the process has gone).
    bool writeAll(const void* data, qint64 size);
    bool readAll(void* data, qint64 size);

    struct Collected
    {
        QByteArray output;
        bool exitedCleanly = false; // ended by itself with status 0
        bool timedOut = false;
    };
    // Reads what the child writes until it ends, timeLimitMs pass or the output grows past
    // maxBytes (both of which kill it); then reaps it and kills whatever of its group is
    // left.
    Collected collect(int timeLimitMs, qint64 maxBytes);

    // Kills the child's whole group now and reaps the child; a read waiting on it returns
    // false.
    void kill();

    // For the child's side: all bytes through a descriptor, or false.
    static bool writeAllTo(int descriptor, const void* data, qint64 size);
    static bool readAllFrom(int descriptor, void* data, qint64 size);

private:
    ChildProcess(pid_t pid, int socket) : m_pid(pid), m_socket(socket) {}
    void reaped(int status);

    pid_t m_pid;
    int m_socket;
    bool m_running = true;
    int m_status = -1;
};

} // namespace platform
