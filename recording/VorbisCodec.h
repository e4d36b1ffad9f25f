#pragma once

#include "recording/BlockCodec.h"

#include <QString>
#include <ogg/ogg.h>
#include <vorbis/codec.h>

namespace recording {

// Ogg Vorbis in blocks. A Vorbis encoder chooses long or short windows as the sound goes,
// so packets lie on no fixed grid: every block's encoder starts on a multiple of the long
// window, runs on past its block, and the stream passes from one encoder's packets to the
// next's where both have a packet boundary at the same sample between windows of the same
// sizes. Where they have none, the earlier encoder goes on until they do.
class VorbisCodec : public BlockCodec
{
public:
    // With no lead-out (long windows a block's encoder runs on past it), every join is made
    // by the earlier encoder going on: slower, and as right.
    VorbisCodec(int sampleRate, const QString& title, int leadOutFrames = 8);
    ~VorbisCodec() override;
    VorbisCodec(const VorbisCodec&) = delete;
    VorbisCodec& operator=(const VorbisCodec&) = delete;

    bool ok() const { return m_longWindow > 0; }

    // Blocks, and so every block's encoder, start on multiples of the long window: all
    // encoders' windows then lie on one lattice. With sixteen of them before its block an
    // encoder falls into step with the one before within a few hundred samples of the
    // block's start on speech (with eight, sometimes thousands, and now and then not in
    // the lead-out at all).
    int frameLength() const override { return m_longWindow; }
    int leadInFrames() const override { return 16; }
    int leadOut() const override { return m_leadOutFrames * m_longWindow; }
    std::optional<Packets> encode(const Block& block) const override;
    QByteArray begin() override;
    QByteArray add(const Packets& packets) override;
    QByteArray end() override { return {}; }
    QByteArray finalBegin() override { return {}; }
    bool failed() const override { return m_failed; }

    // Joins where no common boundary was found and the earlier encoder went on.
    int carriedJoins() const { return m_carriedJoins; }
    int joins() const { return m_joins; }

private:
    class Encoder;
    struct Packet
    {
        QByteArray bytes;
        qint64 end = 0;      // its granule position: the sound is complete up to here
        int window = 0;      // samples
        qint64 boundary = 0; // where its window meets the next packet's
    };

    static Packet packet(vorbis_info* info, const QByteArray& bytes, qint64 end);
    // The first place in m_pending at or after `from` where `next` can take over, as the
    // indexes of the last pending packet kept and of next's first.
    std::optional<std::pair<qsizetype, qsizetype>> joinPoint(const QList<Packet>& next,
                                                             qint64 from) const;
    // Puts m_pending's first `count` packets into pages.
    QByteArray write(qsizetype count, bool last);

    int m_sampleRate;
    QString m_title;
    int m_leadOutFrames;
    int m_longWindow = 0;
    vorbis_info m_info{}; // reads packets' window sizes
    ogg_stream_state m_stream{};
    qint64 m_packets = 0;
    qint64 m_samples = 0;               // the blocks added so far
    QList<Packet> m_pending;            // made, not yet written: they may still be replaced
    std::shared_ptr<Encoder> m_encoder; // what made m_pending's packets, where it left off
    int m_joins = 0;
    int m_carriedJoins = 0;
    bool m_first = true;
    bool m_failed = false;
};

} // namespace recording
