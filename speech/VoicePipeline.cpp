#include "speech/VoicePipeline.h"

#include <algorithm>
#include <cmath>
#include <sonic.h>
#include <soxr.h>

namespace speech {

namespace {
constexpr qsizetype Block = 4096;
}

VoicePipeline::VoicePipeline(int engineRate, int outputRate, double speed, VoiceEffectKind effect)
    : m_effect(effect, outputRate)
{
    if (std::abs(speed - 1.0) > 1e-6) {
        m_sonic = sonicCreateStream(engineRate, 1);
        sonicSetSpeed(m_sonic, float(speed));
        m_speed = double(float(speed));
    }
    if (engineRate != outputRate) {
        soxr_error_t error = nullptr;
        m_resampler = soxr_create(engineRate, outputRate, 1, &error, nullptr, nullptr, nullptr);
        if (error != nullptr) {
            m_resampler = nullptr;
        }
        m_ratio = double(outputRate) / engineRate;
    }
}

VoicePipeline::~VoicePipeline()
{
    if (m_sonic != nullptr) {
        sonicDestroyStream(m_sonic);
    }
    if (m_resampler != nullptr) {
        soxr_delete(m_resampler);
    }
}

qint64 VoicePipeline::outputPosition(qint64 engineSample) const
{
    return std::llround(double(engineSample) * m_ratio / m_speed);
}

bool VoicePipeline::process(const qint16* samples, qsizetype count, const Sink& sink)
{
    if (m_sonic == nullptr && m_resampler == nullptr && m_effect.kind() == VoiceEffectKind::None) {
        return sink(samples, count); // nothing to change: the engine's samples as they are
    }
    while (count > 0) {
        const qsizetype n = std::min(count, Block);
        m_floats.resize(n);
        for (qsizetype i = 0; i < n; ++i) {
            m_floats[i] = float(samples[i]) / 32768.0f;
        }
        if (m_sonic != nullptr) {
            sonicWriteFloatToStream(m_sonic, m_floats.data(), int(n));
            if (!drainSonic(sink)) {
                return false;
            }
        } else if (!afterSonic(m_floats.constData(), n, sink)) {
            return false;
        }
        samples += n;
        count -= n;
    }
    return true;
}

bool VoicePipeline::drainSonic(const Sink& sink)
{
    m_sonicOut.resize(Block);
    while (true) {
        const int n = sonicReadFloatFromStream(m_sonic, m_sonicOut.data(), int(Block));
        if (n <= 0) {
            return true;
        }
        if (!afterSonic(m_sonicOut.constData(), n, sink)) {
            return false;
        }
    }
}

bool VoicePipeline::afterSonic(const float* samples, qsizetype count, const Sink& sink)
{
    if (m_resampler == nullptr) {
        m_resampled.resize(count);
        std::copy(samples, samples + count, m_resampled.begin());
        return afterResampler(m_resampled.data(), count, sink);
    }
    m_resampled.resize(qsizetype(std::ceil(count * m_ratio)) + 64);
    // soxr takes what it can and keeps the rest of its output for later calls.
    qsizetype offset = 0;
    while (true) {
        size_t consumed = 0;
        size_t produced = 0;
        soxr_process(m_resampler, samples + offset, size_t(count - offset), &consumed,
                     m_resampled.data(), size_t(m_resampled.size()), &produced);
        offset += qsizetype(consumed);
        if (!afterResampler(m_resampled.data(), qsizetype(produced), sink)) {
            return false;
        }
        if (offset >= count && produced < size_t(m_resampled.size())) {
            return true;
        }
        if (consumed == 0 && produced == 0) {
            return true;
        }
    }
}

bool VoicePipeline::afterResampler(float* samples, qsizetype count, const Sink& sink)
{
    if (count <= 0) {
        return true;
    }
    m_effect.process(samples, count);
    m_out.resize(count);
    for (qsizetype i = 0; i < count; ++i) {
        m_out[i] = qint16(std::lround(std::clamp(samples[i] * 32768.0f, -32768.0f, 32767.0f)));
    }
    return sink(m_out.constData(), count);
}

bool VoicePipeline::finish(const Sink& sink)
{
    if (m_sonic != nullptr) {
        sonicFlushStream(m_sonic);
        if (!drainSonic(sink)) {
            return false;
        }
    }
    if (m_resampler != nullptr) {
        QVector<float> rest(Block);
        while (true) {
            size_t produced = 0;
            soxr_process(m_resampler, nullptr, 0, nullptr, rest.data(), size_t(rest.size()),
                         &produced);
            if (produced == 0) {
                break;
            }
            if (!afterResampler(rest.data(), qsizetype(produced), sink)) {
                return false;
            }
        }
    }
    qsizetype tail = m_effect.tailLength();
    QVector<float> silence;
    while (tail > 0) {
        const qsizetype n = std::min(tail, Block);
        silence.fill(0, n);
        if (!afterResampler(silence.data(), n, sink)) {
            return false;
        }
        tail -= n;
    }
    return true;
}

} // namespace speech
