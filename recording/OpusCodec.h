#pragma once

#include "recording/BlockCodec.h"

#include <QString>
#include <ogg/ogg.h>

namespace recording {

// Opus in an Ogg stream, in blocks. A block's first packet is coded without prediction
// from the packets before it (those came from another encoder); the decoder's overlap
// joins it to them as it joins any two packets. The granule positions and the pre-skip
// make a decoder play exactly the samples written.
class OpusCodec : public BlockCodec
{
public:
    // The rate must be one Opus codes (8, 12, 16, 24 or 48 kHz).
    OpusCodec(int sampleRate, const QString& title);
    ~OpusCodec() override;
    OpusCodec(const OpusCodec&) = delete;
    OpusCodec& operator=(const OpusCodec&) = delete;

    bool ok() const { return m_lookahead >= 0; }

    int frameLength() const override { return m_sampleRate / 50; } // 20 ms
    int leadInFrames() const override { return 10; }
    int leadOut() const override { return m_lookahead; }
    std::optional<Packets> encode(const Block& block) const override;
    QByteArray begin() override;
    QByteArray add(const Packets& packets) override;
    QByteArray end() override { return {}; }
    QByteArray finalBegin() override { return {}; }

private:
    QByteArray pages(bool flush);

    int m_sampleRate;
    QString m_title;
    int m_lookahead = -1; // samples at the stream's rate
    ogg_stream_state m_stream{};
    qint64 m_packets = 0;
    qint64 m_samples = 0;
};

} // namespace recording
