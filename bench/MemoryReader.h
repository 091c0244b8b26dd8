#pragma once
// A PCM reader whose "file" is float planar PCM already in memory: isolates
// the encoder stage from decoding in measurements.
#include <vector>

#include "decode/PcmReader.h"

class CMemoryReader : public CPcmReader {
public:
    // `planes` (one per channel, all of one length) must outlive the reader.
    CMemoryReader(const std::atomic<bool>& stop, const std::vector<std::vector<float>>* planes, uint32_t sampleRate);

    eReadError Open(const std::u16string&, const std::optional<sPcmFormat>&) override { return eReadError::None; }
    sPcmFormat Format() const override;
    uint32_t NativeRate() const override { return m_nRate; }
    int64_t Duration() const override { return 0; }
    int64_t Position() const override { return 0; }
    void SetWindow(int64_t, int64_t) override {}
    ePull Pull(sPcmSpan& block) override;

private:
    const std::vector<std::vector<float>>* m_pPlanes;
    const uint32_t m_nRate;
    size_t m_nAt = 0;
    std::vector<const float*> m_block;
};
