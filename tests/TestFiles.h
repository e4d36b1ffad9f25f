#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// File and process helpers shared by the document and help tests.
namespace testfiles {

// Writes the bytes; false when the file could not be written whole.
inline bool write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef PARLANZA_DOCUMENT_TEST_DATA
// A committed document fixture, and the text it holds.
inline QString fixture(const QString& name)
{
    return QStringLiteral(PARLANZA_DOCUMENT_TEST_DATA "/") + name;
}

inline QString expectedText(const QString& name)
{
    return QString::fromUtf8(read(fixture(name + QStringLiteral(".expected.txt"))));
}
#endif

// Whether a process still runs (a zombie waiting for its parent has ended).
inline bool isRunning(qint64 pid)
{
    const QByteArray line = read(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
}

// Running processes, other than this one, whose command line mentions the text.
inline QStringList processesMentioning(const QByteArray& text)
{
    QStringList found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && pid != QCoreApplication::applicationPid() &&
            read(QStringLiteral("/proc/%1/cmdline").arg(entry)).contains(text) && isRunning(pid)) {
            found << entry;
        }
    }
    return found;
}

} // namespace testfiles
