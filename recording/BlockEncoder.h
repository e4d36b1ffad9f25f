#pragma once

#include "recording/BlockCodec.h"

#include <QThreadPool>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace recording {

// Encodes a stream on every core: the samples are cut into blocks of some seconds, each
// encoded by a task of its own, and the blocks' bytes are handed to the output in order on
// the caller's thread. Only a few blocks are held at a time, however long the stream.
class BlockEncoder
{
public:
    // Appends bytes to the file; false when they could not be written.
    using Output = std::function<bool(const QByteArray& bytes)>;

    BlockEncoder(std::unique_ptr<BlockCodec> codec, Output output);
    ~BlockEncoder(); // waits for the blocks being encoded
    BlockEncoder(const BlockEncoder&) = delete;
    BlockEncoder& operator=(const BlockEncoder&) = delete;

    bool start();
    bool write(const qint16* samples, qsizetype count);
    // Encodes the rest and ends the stream; the bytes that replace the file's opening
    // bytes, empty when they stay.
    std::optional<QByteArray> finish();
    // False when the output refused bytes: the file's error says why. True when an encoder
    // failed.
    bool encoderFailed() const { return m_encoderFailed; }

private:
    struct Task
    {
        BlockCodec::Block block;
        std::optional<BlockCodec::Packets> packets;
        bool done = false;
    };

    void submit(bool last);
    // Hands finished blocks to the output in order, waiting for the oldest while more than
    // `keep` blocks are in flight.
    bool drain(qsizetype keep);

    std::unique_ptr<BlockCodec> m_codec;
    Output m_output;
    QThreadPool m_pool;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Task>> m_tasks; // in stream order
    QVector<qint16> m_pending;                 // from the next block's lead-in on
    qsizetype m_pendingLead = 0;               // samples of m_pending before the next block
    qsizetype m_blockLength = 0;
    qint64 m_submitted = 0; // samples of the blocks handed to the encoders
    bool m_first = true;
    bool m_failed = false;
    bool m_encoderFailed = false;
};

} // namespace recording
