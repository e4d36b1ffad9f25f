#include "recording/SubtitleWriter.h"

#include "recording/SideFile.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace recording {

namespace {

QString timestamp(qint64 ms, char fractionSeparator)
{
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(QLatin1Char(fractionSeparator))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// Whether a line starts like an item of a list: a bullet, or a number or letter with a
// full stop or bracket after it.
bool startsListItem(QStringView line)
{
    line = line.trimmed();
    if (line.startsWith(u'-') || line.startsWith(u'*') || line.startsWith(u'+') ||
        line.startsWith(u'\u2022')) {
        return true;
    }
    qsizetype at = 0;
    while (at < line.size() && at < 4 && line[at].isLetterOrNumber()) {
        ++at;
    }
    return at > 0 && at < line.size() && (line[at] == u'.' || line[at] == u')') &&
           (at + 1 == line.size() || line[at + 1].isSpace());
}

// Whether a single line break inside a text was made by wrapping it by hand: the next
// line goes on in lower case, or the line before is a long one that ends in no punctuation.
// Lines of documents (headings, paragraphs, items of lists) keep their breaks.
bool wrappedAt(const QString& text, qsizetype lineBreak)
{
    constexpr qsizetype WrappedLineLength = 50;
    const qsizetype lineStart = text.lastIndexOf(u'\n', lineBreak - 1) + 1;
    const qsizetype nextEnd = text.indexOf(u'\n', lineBreak + 1);
    const QStringView before = QStringView(text).mid(lineStart, lineBreak - lineStart).trimmed();
    const QStringView next =
        QStringView(text).mid(lineBreak + 1, nextEnd < 0 ? -1 : nextEnd - lineBreak - 1).trimmed();
    if (before.isEmpty() || next.isEmpty() || startsListItem(next)) {
        return false;
    }
    return next.front().isLower() ||
           (before.size() >= WrappedLineLength && before.back().isLetterOrNumber());
}

// Where each sentence of the text starts, in order, the text's end last. A line break made
// by wrapping the text by hand counts as a space; other line breaks end a sentence.
QList<qsizetype> sentenceStarts(const QString& text)
{
    QString joined = text;
    for (qsizetype i = 0; i < joined.size(); ++i) {
        if (joined[i] == u'\n' && wrappedAt(text, i)) {
            joined[i] = u' ';
        }
    }
    QList<qsizetype> starts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, joined);
    while (finder.toNextBoundary() > 0) {
        starts.append(finder.position());
    }
    if (starts.constLast() != text.size()) {
        starts.append(text.size());
    }
    return starts;
}

} // namespace

SubtitleWriter::SubtitleWriter(const QString& text, int sampleRate)
    : m_text(text), m_sampleRate(std::max(sampleRate, 1))
{
}

void SubtitleWriter::addWord(const WordTiming& word)
{
    m_words.append(word);
}

QString SubtitleWriter::pathFor(const QString& soundPath, Kind kind)
{
    return sideFilePath(soundPath,
                        kind == Kind::Sentences ? QStringLiteral(".srt") : QStringLiteral(".vtt"));
}

qint64 SubtitleWriter::milliseconds(qint64 samples) const
{
    return std::llround(double(samples) * 1000.0 / m_sampleRate);
}

QList<WordTiming> SubtitleWriter::wordsBefore(qint64 totalSamples) const
{
    QList<WordTiming> words;
    std::copy_if(m_words.cbegin(), m_words.cend(), std::back_inserter(words),
                 [totalSamples](const WordTiming& word) { return word.sample < totalSamples; });
    return words;
}

template <class T> void SubtitleWriter::endEach(QList<T>& cues, qint64 totalSamples) const
{
    const qint64 endMs = milliseconds(totalSamples);
    for (qsizetype i = 0; i < cues.size(); ++i) {
        const qint64 next = i + 1 < cues.size() ? cues.at(i + 1).startMs : endMs;
        // Players refuse a cue that ends before it starts.
        cues[i].endMs = std::max(next, cues.at(i).startMs + 1);
    }
}

QList<SubtitleWriter::SentenceClip> SubtitleWriter::sentences(qint64 totalSamples) const
{
    const QList<qsizetype> starts = sentenceStarts(m_text);
    QList<SentenceClip> clips;
    qsizetype sentence = -1;
    for (const WordTiming& word : wordsBefore(totalSamples)) {
        const auto after = std::upper_bound(starts.cbegin(), starts.cend(), word.textStart);
        const qsizetype index = std::max<qsizetype>(0, after - starts.cbegin() - 1);
        if (index == sentence || index + 1 >= starts.size()) {
            continue;
        }
        sentence = index;
        clips.append({starts.at(index), starts.at(index + 1), milliseconds(word.sample), 0});
    }
    endEach(clips, totalSamples);
    return clips;
}

QList<SubtitleWriter::Cue> SubtitleWriter::cues(Kind kind, qint64 totalSamples) const
{
    QList<Cue> cues;
    if (kind == Kind::Sentences) {
        for (const SentenceClip& clip : sentences(totalSamples)) {
            cues.append({clip.startMs, clip.endMs,
                         m_text.mid(clip.textStart, clip.textEnd - clip.textStart).simplified()});
        }
        return cues;
    }
    const QList<WordTiming> words = wordsBefore(totalSamples);
    // Some voices say a short word together with the one before it ("was a") and mark
    // only that one: the words between two marks get cues of their own, placed in the
    // time between the marks as they are placed in the text between them.
    static const QRegularExpression kWord(QStringLiteral("\\w+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const WordTiming& word = words.at(i);
        cues.append({milliseconds(word.sample), 0, m_text.mid(word.textStart, word.textLength)});
        if (i + 1 == words.size()) {
            break;
        }
        const WordTiming& next = words.at(i + 1);
        const qsizetype gap = word.textStart + word.textLength;
        if (next.textStart <= gap || next.sample < word.sample) {
            continue;
        }
        QRegularExpressionMatchIterator unmarked =
            kWord.globalMatch(m_text, gap, QRegularExpression::NormalMatch);
        while (unmarked.hasNext()) {
            const QRegularExpressionMatch found = unmarked.next();
            if (found.capturedEnd() > next.textStart) {
                break;
            }
            const double share = double(found.capturedStart() - word.textStart) /
                                 double(next.textStart - word.textStart);
            const qint64 sample =
                word.sample + std::llround(share * double(next.sample - word.sample));
            cues.append({milliseconds(sample), 0, found.captured()});
        }
    }
    endEach(cues, totalSamples);
    return cues;
}

QByteArray SubtitleWriter::contents(Kind kind, qint64 totalSamples) const
{
    QString out;
    if (kind == Kind::Words) {
        out += QStringLiteral("WEBVTT\n\n");
    }
    int number = 0;
    for (const Cue& cue : cues(kind, totalSamples)) {
        if (kind == Kind::Sentences) {
            out += QString::number(++number) + QLatin1Char('\n') + timestamp(cue.startMs, ',') +
                   QStringLiteral(" --> ") + timestamp(cue.endMs, ',') + QLatin1Char('\n') +
                   cue.text + QStringLiteral("\n\n");
        } else {
            QString text = cue.text;
            text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
                .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
                .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
            out += timestamp(cue.startMs, '.') + QStringLiteral(" --> ") +
                   timestamp(cue.endMs, '.') + QLatin1Char('\n') + text + QStringLiteral("\n\n");
        }
    }
    return out.toUtf8();
}

platform::Result<void> SubtitleWriter::write(const QString& path, Kind kind,
                                             qint64 totalSamples) const
{
    return writeSideFile(path, contents(kind, totalSamples));
}

} // namespace recording
