#include "engine/LevelMeter.h"

#include <algorithm>

#include "decode/AacFrames.h"

namespace {
// A window no part measured: loud, so that no cut is placed there as in a pause.
constexpr float kUnmeasured = 1.0f;
}  // namespace

uint32_t LevelWindowSamples(uint32_t rate)
{
    uint32_t window = kAacFrameLength;
    while (window > 1 && uint64_t{window} * 1000 > uint64_t{rate} * 12)
        window /= 2;
    return window;
}

CLevelMeter::CLevelMeter(uint32_t window, uint64_t from, uint64_t to)
    : m_nWindow(window ? window : 1), m_nFrom(from), m_nTo(to)
{
    m_envelope.first = from / m_nWindow;
    m_nWindowIndex = m_envelope.first;
}

void CLevelMeter::Add(const float* const* planes, int channels, int count, uint64_t position)
{
    uint64_t sample = std::max(position, m_nFrom);
    const uint64_t end = std::min(position + static_cast<uint64_t>(std::max(count, 0)), m_nTo);
    while (sample < end) {
        const uint64_t window = sample / m_nWindow;
        if (window != m_nWindowIndex) {
            CloseWindow();
            m_nWindowIndex = window;
        }
        const uint64_t stop = std::min(end, (window + 1) * m_nWindow);
        const size_t offset = static_cast<size_t>(sample - position);
        const size_t length = static_cast<size_t>(stop - sample);
        for (int c = 0; c < channels; ++c) {
            const float* samples = planes[c] + offset;
            float sum = 0;
            for (size_t i = 0; i < length; ++i)
                sum += samples[i] * samples[i];
            m_dSum += sum;
        }
        m_nSummed += length * static_cast<uint64_t>(std::max(channels, 1));
        sample = stop;
    }
}

void CLevelMeter::CloseWindow()
{
    if (m_nSummed == 0)
        return;
    std::vector<float>& values = m_envelope.values;
    const size_t index = static_cast<size_t>(m_nWindowIndex - m_envelope.first);
    if (values.size() < index)
        values.resize(index, kUnmeasured);
    values.push_back(static_cast<float>(m_dSum / static_cast<double>(m_nSummed)));
    m_dSum = 0;
    m_nSummed = 0;
}

sLevelEnvelope CLevelMeter::Take()
{
    CloseWindow();
    sLevelEnvelope envelope = std::move(m_envelope);
    m_envelope = sLevelEnvelope{};
    m_envelope.first = m_nWindowIndex + 1;
    return envelope;
}

void MergeLevels(std::vector<float>& levels, const sLevelEnvelope& part)
{
    if (part.values.empty())
        return;
    const size_t first = static_cast<size_t>(part.first);
    if (levels.size() < first + part.values.size())
        levels.resize(first + part.values.size(), kUnmeasured);
    std::copy(part.values.begin(), part.values.end(), levels.begin() + static_cast<std::ptrdiff_t>(first));
}
