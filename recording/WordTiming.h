#pragma once

#include <QtGlobal>

namespace recording {

// One spoken word of an utterance: where it starts in the output, counted in output
// samples from the utterance's first sample, and which characters of the utterance's text
// it is (UTF-16 offsets).
struct WordTiming
{
    qint64 sample = 0;
    qsizetype textStart = 0;
    qsizetype textLength = 0;

    bool operator==(const WordTiming&) const = default;
};

} // namespace recording
