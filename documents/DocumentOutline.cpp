#include "documents/DocumentOutline.h"

#include <QRegularExpression>
#include <algorithm>

namespace documents {

namespace {

// A chapter line is short; longer lines are prose, and are not matched at all.
constexpr qsizetype kMaxChapterLine = 120;
constexpr qsizetype kMaxTitleLine = 200;
// Before a converted heading's text only its number may stand on its line ("12.", "IV -").
constexpr qsizetype kMaxNumberPrefix = 16;

struct Line
{
    qsizetype start = 0; // of its first non-blank character
    QStringView text;    // trimmed
};

QList<Line> linesOf(QStringView text)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            end = text.size();
        }
        const QStringView line = text.sliced(start, end - start);
        const QStringView trimmed = line.trimmed();
        const qsizetype lead = trimmed.isEmpty() ? 0 : trimmed.data() - line.data();
        lines.append(Line{start + lead, trimmed});
        start = end + 1;
    }
    return lines;
}

const QRegularExpression& chapterLine()
{
    static const QRegularExpression pattern(
        QStringLiteral(
            "^(?:(?:chapter|part|book)\\s+(?:\\d{1,4}|[ivxlcdm]{1,8}|"
            "(?:twenty|thirty|forty|fifty|sixty|seventy|eighty|ninety)"
            "(?:[- ](?:one|two|three|four|five|six|seven|eight|nine))?|"
            "one|two|three|four|five|six|seven|eight|nine|ten|eleven|twelve|thirteen|fourteen|"
            "fifteen|sixteen|seventeen|eighteen|nineteen|(?:one )?hundred)|"
            "prologue|epilogue|preface|foreword|afterword|interlude)"
            "(?:\\s*[:.\\x{2013}\\x{2014}-]\\s*(\\S.*)?)?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

bool couldBeChapterLine(QStringView line)
{
    if (line.isEmpty() || line.size() > kMaxChapterLine) {
        return false;
    }
    switch (line.front().toLower().unicode()) {
    case u'c':
    case u'p':
    case u'b':
    case u'e':
    case u'f':
    case u'a':
    case u'i':
        return true;
    default:
        return false;
    }
}

} // namespace

QString cleanTitle(QStringView title)
{
    QString clean;
    clean.reserve(std::min(title.size(), kMaxTitleLength + 1));
    bool space = false;
    for (const QChar c : title) {
        if (c.isSpace()) {
            space = !clean.isEmpty();
            continue;
        }
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            continue;
        }
        if (space) {
            clean.append(u' ');
            space = false;
        }
        clean.append(c);
        if (clean.size() >= kMaxTitleLength) {
            break;
        }
    }
    // A cut must not leave half of a character made of two code units.
    if (clean.size() > kMaxTitleLength || (!clean.isEmpty() && clean.back().isHighSurrogate())) {
        clean.chop(1);
    }
    return clean;
}

int headingLevelOfStyleName(QStringView name)
{
    static const QRegularExpression heading(QStringLiteral("^heading\\s*([1-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = heading.match(name);
    return match.hasMatch() ? match.capturedView(1).toInt() : 0;
}

QList<Chapter> plainTextChapters(QStringView text)
{
    QList<Chapter> chapters;
    const QList<Line> lines = linesOf(text);
    const auto blank = [&](qsizetype i) {
        return i < 0 || i >= lines.size() || lines[i].text.isEmpty();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (!blank(i - 1) || !couldBeChapterLine(line.text)) {
            continue;
        }
        const QRegularExpressionMatch match = chapterLine().match(line.text);
        if (!match.hasMatch()) {
            continue;
        }
        QString title = line.text.toString();
        // "Chapter 12" over a line of its own that names it, the two standing alone together.
        if (!blank(i + 1) && match.capturedView(1).isEmpty() && blank(i + 2) &&
            lines[i + 1].text.size() <= kMaxTitleLine) {
            while (title.endsWith(u'.') || title.endsWith(u':')) {
                title.chop(1);
            }
            title += QStringLiteral(": ") + lines[i + 1].text;
            ++i;
        } else if (!blank(i + 1)) {
            continue;
        }
        chapters.append(Chapter{title, line.start, 1});
    }
    return chapters;
}

QList<Chapter> locateHeadings(const QList<Chapter>& headings, QStringView text)
{
    QList<Chapter> found;
    qsizetype from = 0;
    for (const Chapter& heading : headings) {
        const QString needle = heading.title.trimmed();
        if (needle.isEmpty()) {
            continue;
        }
        for (qsizetype at = text.indexOf(needle, from); at >= 0;
             at = text.indexOf(needle, at + 1)) {
            qsizetype end = at + needle.size();
            while (end < text.size() && (text[end] == u' ' || text[end] == u'\t')) {
                ++end;
            }
            const qsizetype lineStart = std::max(from, text.lastIndexOf(u'\n', at) + 1);
            const QStringView prefix = text.sliced(lineStart, at - lineStart).trimmed();
            if ((end < text.size() && text[end] != u'\n') || prefix.size() > kMaxNumberPrefix) {
                continue;
            }
            const qsizetype start = prefix.isEmpty() ? at : prefix.data() - text.data();
            found.append(Chapter{heading.title, start, heading.level});
            from = end;
            break;
        }
    }
    return found;
}

void finishOutline(DocumentOutline& outline, QStringView text)
{
    outline.title = cleanTitle(outline.title);
    outline.author = cleanTitle(outline.author);
    QList<Chapter> chapters;
    chapters.reserve(outline.chapters.size());
    for (const Chapter& chapter : std::as_const(outline.chapters)) {
        QString title = cleanTitle(chapter.title);
        if (!title.isEmpty() && chapter.textStart >= 0 && chapter.textStart < text.size() &&
            chapter.level >= 1 && chapter.level <= kMaxChapterLevel) {
            chapters.append(Chapter{std::move(title), chapter.textStart, chapter.level});
        }
    }
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Chapter& a, const Chapter& b) { return a.textStart < b.textStart; });
    // Two headings at one place (a part and its first chapter in one file): the first listed,
    // usually the higher, names the place.
    const auto samePlace =
        std::unique(chapters.begin(), chapters.end(),
                    [](const Chapter& a, const Chapter& b) { return a.textStart == b.textStart; });
    chapters.erase(samePlace, chapters.end());
    if (chapters.isEmpty()) {
        chapters = plainTextChapters(text);
        for (Chapter& chapter : chapters) {
            chapter.title = cleanTitle(chapter.title);
        }
    }
    outline.chapters = std::move(chapters);
}

} // namespace documents
