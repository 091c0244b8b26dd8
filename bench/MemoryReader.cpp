#include "MemoryReader.h"

#include <algorithm>

CMemoryReader::CMemoryReader(const std::atomic<bool>& stop, const std::vector<std::vector<float>>* planes,
                             uint32_t sampleRate)
    : CPcmReader(stop), m_pPlanes(planes), m_nRate(sampleRate), m_block(planes->size())
{
}

sPcmFormat CMemoryReader::Format() const { return {m_nRate, static_cast<int>(m_pPlanes->size())}; }

CPcmReader::ePull CMemoryReader::Pull(sPcmSpan& block)
{
    // Blocks of 1152 samples, as an MP3 decoder would put them out.
    const size_t length = m_pPlanes->empty() ? 0 : m_pPlanes->front().size();
    if (StopRequested())
        return ePull::Stopped;
    if (m_nAt >= length)
        return ePull::End;
    const size_t count = std::min<size_t>(1152, length - m_nAt);
    for (size_t c = 0; c < m_block.size(); ++c)
        m_block[c] = (*m_pPlanes)[c].data() + m_nAt;
    m_nAt += count;
    block.planes = m_block.data();
    block.samples = static_cast<int>(count);
    return ePull::Samples;
}
