#include "recording/CueSheet.h"

#include "recording/SideFile.h"

#include <algorithm>

namespace recording {

namespace {

constexpr qint64 FramesPerSecond = 75;

// Cue sheets know no escape inside quotes: a double quote in a name becomes a single one.
QString quoted(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1Char('\'')) + QLatin1Char('"');
}

// mm:ss:ff; the minutes go past 99 in a long book, as readers of long sheets expect.
QString cueTime(qint64 sample, int sampleRate)
{
    const qint64 frames = sample * FramesPerSecond / sampleRate;
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (FramesPerSecond * 60), 2, 10, QLatin1Char('0'))
        .arg(frames / FramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % FramesPerSecond, 2, 10, QLatin1Char('0'));
}

} // namespace

QString cueSheetPath(const QString& soundPath)
{
    return sideFilePath(soundPath, QStringLiteral(".cue"));
}

QByteArray cueSheet(const BookTags& tags, const QString& soundFileName, int sampleRate)
{
    QString out;
    if (!tags.author.isEmpty()) {
        out += QStringLiteral("PERFORMER ") + quoted(tags.author) + QLatin1Char('\n');
    }
    if (!tags.title.isEmpty()) {
        out += QStringLiteral("TITLE ") + quoted(tags.title) + QLatin1Char('\n');
    }
    out += QStringLiteral("FILE ") + quoted(soundFileName) + QStringLiteral(" WAVE\n");
    int number = 0;
    for (const ChapterMark& chapter : tags.chapters) {
        out += QStringLiteral("  TRACK %1 AUDIO\n").arg(++number, 2, 10, QLatin1Char('0'));
        if (!chapter.title.isEmpty()) {
            out += QStringLiteral("    TITLE ") + quoted(chapter.title) + QLatin1Char('\n');
        }
        out += QStringLiteral("    INDEX 01 ") + cueTime(chapter.sample, std::max(sampleRate, 1)) +
               QLatin1Char('\n');
    }
    return out.toUtf8();
}

} // namespace recording
