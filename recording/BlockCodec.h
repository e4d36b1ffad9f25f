#pragma once

#include <QByteArray>
#include <QList>
#include <QVector>
#include <memory>
#include <optional>

namespace recording {

// A compressed format that BlockEncoder can encode in pieces on several threads: each
// block gets an encoder of its own, warmed by the samples before it, and the container
// joins the blocks' packets as if one encoder had made them all.
class BlockCodec
{
public:
    struct Block
    {
        QVector<qint16> samples; // the lead-in, the block itself, then the lead-out
        qsizetype leadIn = 0;    // samples before the block itself
        qsizetype length = 0;    // samples of the block itself
        qint64 start = 0;        // where the block itself begins in the stream
        bool first = false;
        bool last = false; // the lead-out is empty: the encoder is flushed
    };

    struct Packets
    {
        QList<QByteArray> packets;
        qsizetype length = 0; // samples of the block they stand for
        bool last = false;
        // The block's own samples, for a container that keeps a digest of the whole sound.
        QVector<qint16> samples;
        // For a codec whose packets lie on no fixed grid: where in the stream each packet's
        // sound is complete up to, and its encoder as the block left it, for add() to go on
        // with.
        QList<qint64> ends;
        std::shared_ptr<void> encoder;
    };

    virtual ~BlockCodec() = default;

    // Blocks start at multiples of this (samples a packet stands for), so that every
    // block's packets fall on the one stream's grid.
    virtual int frameLength() const = 0;
    virtual int leadInFrames() const = 0;
    // Samples after a block that its last packet looks ahead at.
    virtual int leadOut() const = 0;

    // Called on any thread, for several blocks at once: the packets of the block itself.
    virtual std::optional<Packets> encode(const Block& block) const = 0;

    // Called on one thread, in order. The container's opening bytes.
    virtual QByteArray begin() = 0;
    // The container bytes that carry the next block's packets.
    virtual QByteArray add(const Packets& packets) = 0;
    // After the last block: the bytes that end the file, and those that replace its
    // opening bytes now that the whole stream is known (as many; empty when unchanged).
    virtual QByteArray end() = 0;
    virtual QByteArray finalBegin() = 0;
    // True once begin(), add() or end() could not make the container's bytes.
    virtual bool failed() const { return false; }
};

} // namespace recording
