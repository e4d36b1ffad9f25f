#pragma once

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <sys/resource.h>

// Inputs and measures shared by the speech benchmarks.
namespace benchtext {

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

inline double maximum(const QList<double>& values)
{
    return values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
}

// Plain English sentences of ordinary words, the same every run, cut to the size.
inline QString englishText(qsizetype bytes)
{
    static const QStringList words =
        QStringLiteral(
            "the quick brown fox jumps over a lazy dog while people read books about history "
            "science music and art every day in quiet rooms near open windows under a grey sky "
            "before the evening train leaves the station with its many travellers going home")
            .split(QLatin1Char(' '));
    QRandomGenerator random(20250101);
    QString text;
    text.reserve(bytes + 200);
    while (text.size() < bytes) {
        const int count = 6 + int(random.bounded(13));
        QString sentence;
        for (int i = 0; i < count; ++i) {
            sentence +=
                (i ? QStringLiteral(" ") : QString()) + words.at(random.bounded(int(words.size())));
        }
        sentence[0] = sentence[0].toUpper();
        text += sentence + QStringLiteral(". ");
    }
    text.truncate(bytes);
    return text;
}

// Peak and current resident memory of this process, in kilobytes.
inline qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// The machine's load while measuring, so figures can be read in context.
inline QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

inline double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace benchtext
