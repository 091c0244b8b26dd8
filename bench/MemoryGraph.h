#pragma once
// A decoding graph whose "file" is interleaved 16-bit PCM already in memory:
// isolates the encoder stage from decoding in measurements.
#include <atomic>
#include <thread>
#include <vector>

#include "decode/Graph.h"

class CMemoryGraph : public CGraphSound {
public:
    CMemoryGraph(const std::vector<int16_t>* pcm, uint32_t sampleRate, uint16_t channels);
    ~CMemoryGraph() override;
    HRESULT Init() override;
    HRESULT Run() override;
    HRESULT Stop() override;
    HRESULT Close() override { return Stop(); }
    const CMediaType& ConnectedType() const override { return m_type; }

private:
    const std::vector<int16_t>* m_pcm;
    CMediaType m_type;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
