#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <sys/types.h>

namespace platform {

// A helper program of our own started with a two-way connection on its standard input
// and output, for work split over processes. Blocking reads and writes; ending the object
// ends the process.
class WorkerProcess
{
public:
    static Result<std::unique_ptr<WorkerProcess>> start(const QString& program,
                                                        const QStringList& arguments);
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // All bytes or false (the process has gone).
    bool writeAll(const void* data, qint64 size);
    bool readAll(void* data, qint64 size);
    // Kills the process now; a read waiting on it returns false.
    void kill();

    // For the worker's side: all bytes through a descriptor, or false.
    static bool writeAllTo(int descriptor, const void* data, qint64 size);
    static bool readAllFrom(int descriptor, void* data, qint64 size);

private:
    WorkerProcess(pid_t pid, int socket) : m_pid(pid), m_socket(socket) {}

    pid_t m_pid;
    int m_socket;
};

} // namespace platform
