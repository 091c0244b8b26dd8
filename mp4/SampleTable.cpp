#include "mp4/SampleTable.h"

#include <cstddef>

namespace mp4 {

void SampleTable::Add(uint64_t offset, uint32_t size, uint32_t duration, int32_t renderingOffset, bool isSync)
{
    const bool continuesChunk = !m_chunkOffsets.empty() && offset == m_chunkEnd && m_chunkLength != 0 &&
                                m_chunkTicks < m_chunkLength;
    if (continuesChunk) {
        ++m_chunkSamples.back();
        m_chunkTicks += duration;
    } else {
        m_chunkOffsets.push_back(offset);
        m_chunkSamples.push_back(1);
        m_chunkTicks = duration;
    }
    m_chunkEnd = offset + size;

    if (!m_durations.empty() && m_durations.back().duration == duration)
        ++m_durations.back().count;
    else
        m_durations.push_back({1, duration});

    if (!m_offsets.empty() && m_offsets.back().offset == renderingOffset)
        ++m_offsets.back().count;
    else
        m_offsets.push_back({1, renderingOffset});
    m_nonZeroOffset = m_nonZeroOffset || renderingOffset != 0;
    m_negativeOffset = m_negativeOffset || renderingOffset < 0;

    // Sync numbers are only kept once a sample is not a sync sample.
    const auto number = static_cast<uint32_t>(m_sizes.size() + 1);
    if (!isSync && !m_nonSyncSeen) {
        m_nonSyncSeen = true;
        m_syncSamples.reserve(number);
        for (uint32_t i = 1; i < number; ++i)
            m_syncSamples.push_back(i);
    }
    if (isSync && m_nonSyncSeen)
        m_syncSamples.push_back(number);

    // Bytes of the samples that start in the window ending with this one.
    if (m_window != 0) {
        m_windowSamples.push_back({m_duration, size});
        m_windowBytes += size;
        while (m_windowSamples.front().start + m_window <= m_duration) {
            m_windowBytes -= m_windowSamples.front().size;
            m_windowSamples.pop_front();
        }
        if (m_windowBytes > m_windowMax)
            m_windowMax = m_windowBytes;
    }

    m_sizes.push_back(size);
    m_duration += duration;
    m_totalBytes += size;
    if (size > m_largest)
        m_largest = size;
}

std::vector<OffsetRun> SampleTable::RenderingOffsets() const
{
    return m_nonZeroOffset ? m_offsets : std::vector<OffsetRun>{};
}

std::vector<ChunkRun> SampleTable::SamplesPerChunk() const
{
    std::vector<ChunkRun> runs;
    for (size_t i = 0; i < m_chunkSamples.size(); ++i) {
        if (runs.empty() || runs.back().samplesPerChunk != m_chunkSamples[i])
            runs.push_back({static_cast<uint32_t>(i + 1), m_chunkSamples[i]});
    }
    return runs;
}

}  // namespace mp4
