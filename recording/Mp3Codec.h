#pragma once

#include "recording/BlockCodec.h"

#include <QString>

struct lame_global_struct;

namespace recording {

// MP3 through LAME, in blocks: without the bit reservoir every frame stands alone, so the
// blocks' frames join into one stream. The file opens with the title's ID3v2 tag and an
// Info frame that gives the encoder delay and padding, so a decoder plays exactly the
// samples written; an ID3v1 tag ends it, as libsndfile wrote it.
class Mp3Codec : public BlockCodec
{
public:
    Mp3Codec(int sampleRate, const QString& title);
    ~Mp3Codec() override;
    Mp3Codec(const Mp3Codec&) = delete;
    Mp3Codec& operator=(const Mp3Codec&) = delete;

    // False when LAME takes no such stream (a rate MP3 has not).
    bool ok() const { return m_header != nullptr; }

    int frameLength() const override { return m_frameLength; }
    int leadInFrames() const override { return 6; }
    int leadOut() const override { return 2 * m_frameLength; }
    std::optional<Packets> encode(const Block& block) const override;
    QByteArray begin() override;
    QByteArray add(const Packets& packets) override;
    QByteArray end() override;
    QByteArray finalBegin() override;

private:
    lame_global_struct* newEncoder() const;
    QByteArray infoFrame() const;

    int m_sampleRate;
    QString m_title;
    lame_global_struct* m_header = nullptr; // settings and tags, never fed samples
    int m_frameLength = 1152;
    int m_delay = 0;
    QByteArray m_id3v2;
    QByteArray m_frameHeader; // of the first audio frame, for the Info frame
    qint64 m_frames = 0;
    qint64 m_audioBytes = 0;
    qint64 m_samples = 0;
    quint16 m_crc = 0;
    // Byte offsets of every m_tocStep-th frame, thinned out as the stream grows.
    QVector<qint64> m_toc;
    qint64 m_tocStep = 1;
};

} // namespace recording
