#include "speech/WordTimeline.h"

#include <algorithm>

namespace speech {

WordTimeline::WordTimeline(QStringView text, Placement placement)
    : m_text(text), m_placement(std::move(placement))
{
}

void WordTimeline::beginPiece(QStringView piece, const QByteArray& utf8, qint64 engineSamplesBefore)
{
    m_engineBefore = engineSamplesBefore;
    // A character of four UTF-8 bytes is two UTF-16 units; every other one is one (an
    // unpaired surrogate becomes one replacement character).
    qsizetype offset = piece.data() - m_text.data();
    m_textAt.resize(utf8.size() + 1);
    qsizetype i = 0;
    while (i < utf8.size()) {
        const auto lead = quint8(utf8.at(i));
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const qsizetype end = std::min(i + length, utf8.size());
        std::fill(m_textAt.begin() + i, m_textAt.begin() + end, offset);
        offset += length == 4 ? 2 : 1;
        i = end;
    }
    m_textAt[utf8.size()] = offset;
}

std::optional<recording::WordTiming> WordTimeline::place(const SpeechEngines::WordEvent& word)
{
    const qsizetype bytes = m_textAt.size() - 1;
    if (bytes < 0) {
        return std::nullopt;
    }
    const qsizetype first = std::clamp<qsizetype>(word.byteStart, 0, bytes);
    const qsizetype last = std::clamp<qsizetype>(word.byteStart + word.byteLength, first, bytes);
    const qsizetype start = m_textAt.at(first);
    const qsizetype end = m_textAt.at(last);
    if (end <= start || start < m_lastEnd) {
        return std::nullopt;
    }
    m_lastEnd = end;
    recording::WordTiming timing;
    timing.sample = m_placement(m_engineBefore + word.sample);
    timing.textStart = start;
    timing.textLength = end - start;
    return timing;
}

} // namespace speech
