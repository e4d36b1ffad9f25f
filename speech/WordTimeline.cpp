#include "speech/WordTimeline.h"

#include <algorithm>

namespace speech {

WordTimeline::WordTimeline(QStringView text, Placement placement)
    : m_text(text), m_placement(std::move(placement))
{
}

void WordTimeline::beginPiece(QStringView piece, const QByteArray& utf8, qint64 engineSamplesBefore,
                              const QVector<SpokenText::Source>* source)
{
    m_engineBefore = engineSamplesBefore;
    const qsizetype base = piece.data() - m_text.data();
    const qsizetype last = source != nullptr ? source->size() - 1 : piece.size();
    // A word starting at a spoken character starts where that character's written span
    // does, one ending before it where the previous character's span ends: every word
    // read from a replacement covers all of what it replaced.
    const auto startOf = [&](qsizetype unit) {
        unit = std::min(unit, last);
        return base + (source != nullptr ? source->at(unit).start : unit);
    };
    const auto endBefore = [&](qsizetype unit) {
        unit = std::min(unit, last);
        return base + (source == nullptr ? unit : unit > 0 ? source->at(unit - 1).end : 0);
    };
    // A character of four UTF-8 bytes is two UTF-16 units; every other one is one (an
    // unpaired surrogate becomes one replacement character).
    qsizetype unit = 0;
    m_startAt.resize(utf8.size() + 1);
    m_endAt.resize(utf8.size() + 1);
    qsizetype i = 0;
    while (i < utf8.size()) {
        const auto lead = quint8(utf8.at(i));
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const qsizetype end = std::min(i + length, utf8.size());
        std::fill(m_startAt.begin() + i, m_startAt.begin() + end, startOf(unit));
        std::fill(m_endAt.begin() + i, m_endAt.begin() + end, endBefore(unit));
        unit += length == 4 ? 2 : 1;
        i = end;
    }
    m_startAt[utf8.size()] = startOf(unit);
    m_endAt[utf8.size()] = endBefore(unit);
}

std::optional<recording::WordTiming> WordTimeline::place(const SpeechEngines::WordEvent& word)
{
    const qsizetype bytes = m_startAt.size() - 1;
    if (bytes < 0) {
        return std::nullopt;
    }
    const qsizetype first = std::clamp<qsizetype>(word.byteStart, 0, bytes);
    const qsizetype last = std::clamp<qsizetype>(word.byteStart + word.byteLength, first, bytes);
    const qsizetype start = m_startAt.at(first);
    const qsizetype end = m_endAt.at(last);
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
