#include "MemoryGraph.h"

#include <algorithm>

namespace {
class CSpanSample : public IMediaSample {
public:
    CSpanSample(const int16_t* data, size_t count) : m_data(data), m_count(count) {}
    const uint8_t* GetPointer() const override { return reinterpret_cast<const uint8_t*>(m_data); }
    long GetActualDataLength() const override { return static_cast<long>(m_count * 2); }

private:
    const int16_t* m_data;
    size_t m_count;
};
}  // namespace

CMemoryGraph::CMemoryGraph(const std::vector<int16_t>* pcm, uint32_t sampleRate, uint16_t channels)
    : CGraphSound(u"memory", nullptr), m_pcm(pcm), m_type(CMediaType::FromWaveFormat(MakePcm16Format(sampleRate, channels)))
{
}

CMemoryGraph::~CMemoryGraph()
{
    CMemoryGraph::Stop();
}

HRESULT CMemoryGraph::Init()
{
    return S_OK;
}

HRESULT CMemoryGraph::Run()
{
    m_thread = std::thread([this] {
        // Buffers of 1152 frames, as an MP3 decoder would deliver them.
        const size_t chunk = 1152 * static_cast<size_t>(m_type.WaveFormat()->nChannels);
        for (size_t at = 0; at < m_pcm->size() && !m_stop.load(); at += chunk) {
            CSpanSample sample(m_pcm->data() + at, std::min(chunk, m_pcm->size() - at));
            m_pCallback->OnSample(&sample);
        }
        m_pCallback->OnEndOfStream();
    });
    return S_OK;
}

HRESULT CMemoryGraph::Stop()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    return S_OK;
}
