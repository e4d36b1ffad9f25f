#include "speech/TextSegmenter.h"

#include <algorithm>

namespace speech {

namespace {

bool endsSentence(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?') ||
           c == QLatin1Char(';') || c == QChar(0x3002) || c == QLatin1Char('\n');
}

} // namespace

TextSegmenter::TextSegmenter(const QString& text, qsizetype maximum)
    : m_text(text), m_maximum(std::max<qsizetype>(maximum, 16))
{
}

std::optional<QStringView> TextSegmenter::next()
{
    if (m_position >= m_text.size()) {
        return std::nullopt;
    }
    const qsizetype limit = std::min(m_text.size(), m_position + m_maximum);
    const qsizetype end = limit == m_text.size() ? limit : cutBefore(limit);
    const QStringView piece = QStringView(m_text).mid(m_position, end - m_position);
    m_position = end;
    return piece;
}

// The last sentence end (followed by a blank) before the limit; failing that the last
// blank; failing that the limit itself, kept off the middle of a surrogate pair.
qsizetype TextSegmenter::cutBefore(qsizetype limit) const
{
    const qsizetype floor = m_position + m_maximum / 4;
    qsizetype blank = -1;
    for (qsizetype i = limit - 1; i > floor; --i) {
        const QChar c = m_text.at(i);
        if (c.isSpace()) {
            if (endsSentence(m_text.at(i - 1)) || c == QLatin1Char('\n')) {
                return i + 1;
            }
            if (blank < 0) {
                blank = i + 1;
            }
        }
    }
    if (blank > 0) {
        return blank;
    }
    if (m_text.at(limit).isLowSurrogate()) {
        return limit - 1;
    }
    return limit;
}

} // namespace speech
