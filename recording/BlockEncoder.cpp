#include "recording/BlockEncoder.h"

#include <QThread>
#include <algorithm>

namespace recording {

namespace {

// Long enough that the lead-in costs a few per cent, short enough that every core gets
// blocks of a short recording and little is held at a time.
constexpr double BlockSeconds = 8.0;
// A rate-independent length in samples; the codec's frame makes it exact.
constexpr qsizetype NominalRate = 22050;

} // namespace

BlockEncoder::BlockEncoder(std::unique_ptr<BlockCodec> codec, Output output)
    : m_codec(std::move(codec)), m_output(std::move(output))
{
    const qsizetype frame = m_codec->frameLength();
    m_blockLength = std::max<qsizetype>(1, qsizetype(BlockSeconds * NominalRate) / frame) * frame;
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

BlockEncoder::~BlockEncoder()
{
    m_pool.waitForDone();
}

bool BlockEncoder::start()
{
    m_failed = !m_output(m_codec->begin());
    if (m_codec->failed()) {
        m_encoderFailed = true;
        m_failed = true;
    }
    return !m_failed;
}

bool BlockEncoder::write(const qint16* samples, qsizetype count)
{
    if (m_failed) {
        return false;
    }
    const qsizetype held = m_pending.size();
    m_pending.resize(held + count);
    std::copy_n(samples, count, m_pending.data() + held);
    const qsizetype wanted = m_blockLength + m_codec->leadOut();
    while (m_pending.size() - m_pendingLead >= wanted) {
        submit(false);
        // Two blocks per core keep every core busy while the oldest is written out.
        if (!drain(qsizetype(2) * m_pool.maxThreadCount())) {
            return false;
        }
    }
    return drain(m_tasks.size());
}

std::optional<QByteArray> BlockEncoder::finish()
{
    if (m_failed) {
        return std::nullopt;
    }
    submit(true);
    if (!drain(0) || !m_output(m_codec->end())) {
        m_failed = true;
        return std::nullopt;
    }
    if (m_codec->failed()) {
        m_encoderFailed = true;
        m_failed = true;
        return std::nullopt;
    }
    return m_codec->finalBegin();
}

void BlockEncoder::submit(bool last)
{
    auto task = std::make_shared<Task>();
    BlockCodec::Block& block = task->block;
    block.first = m_first;
    block.last = last;
    block.leadIn = m_pendingLead;
    block.length = last ? m_pending.size() - m_pendingLead : m_blockLength;
    block.start = m_submitted;
    m_submitted += block.length;
    const qsizetype end = last ? m_pending.size() : m_pendingLead + m_blockLength;
    block.samples = m_pending.mid(0, std::min(m_pending.size(), end + m_codec->leadOut()));
    m_first = false;
    // The next block's lead-in: whole frames before it, as many as there are.
    const qsizetype frame = m_codec->frameLength();
    const qsizetype lead = std::min<qsizetype>(end / frame, m_codec->leadInFrames()) * frame;
    m_pending.remove(0, end - lead);
    m_pendingLead = lead;
    m_tasks.push_back(task);
    m_pool.start([this, task] {
        std::optional<BlockCodec::Packets> packets = m_codec->encode(task->block);
        task->block.samples = {};
        const std::lock_guard lock(m_mutex);
        task->packets = std::move(packets);
        task->done = true;
        m_finished.notify_all();
    });
}

bool BlockEncoder::drain(qsizetype keep)
{
    while (!m_failed && !m_tasks.empty()) {
        std::shared_ptr<Task> head = m_tasks.front();
        {
            std::unique_lock lock(m_mutex);
            if (qsizetype(m_tasks.size()) <= keep && !head->done) {
                return true;
            }
            m_finished.wait(lock, [&head] { return head->done; });
        }
        m_tasks.pop_front();
        if (head->packets && !m_output(m_codec->add(*head->packets))) {
            m_failed = true;
        } else if (!head->packets || m_codec->failed()) {
            m_encoderFailed = true;
            m_failed = true;
        }
    }
    return !m_failed;
}

} // namespace recording
