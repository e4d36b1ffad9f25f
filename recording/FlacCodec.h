#pragma once

#include "recording/BlockCodec.h"

#include <QCryptographicHash>
#include <QString>

namespace recording {

// FLAC in blocks: its frames stand alone, so each block is coded by an encoder of its own
// with no lead-in, and its frames are numbered where they fall in the whole stream. The
// stream's summary (length, frame sizes, the samples' digest) is written once all is known.
class FlacCodec : public BlockCodec
{
public:
    FlacCodec(int sampleRate, const QString& title);

    int frameLength() const override { return FrameSamples; }
    int leadInFrames() const override { return 0; }
    int leadOut() const override { return 0; }
    std::optional<Packets> encode(const Block& block) const override;
    QByteArray begin() override;
    QByteArray add(const Packets& packets) override;
    QByteArray end() override { return {}; }
    QByteArray finalBegin() override;

    // A frame as the encoder made it, given the number it has in the whole stream (its
    // header's number and both checksums made again); empty when it is no frame.
    static QByteArray renumbered(const QByteArray& frame, quint32 number);

private:
    // The block size of FLAC's default compression level, as recordings had before.
    static constexpr int FrameSamples = 4096;

    QByteArray streamInfo(const QByteArray& digest) const;

    int m_sampleRate;
    QString m_title;
    qint64 m_samples = 0;
    qsizetype m_smallestFrame = 0;
    qsizetype m_largestFrame = 0;
    QCryptographicHash m_digest{QCryptographicHash::Md5};
};

} // namespace recording
