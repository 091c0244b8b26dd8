#include "decode/Negotiation.h"

#include <algorithm>

namespace {
constexpr uint32_t kMinProducibleRate = 1000;
constexpr uint32_t kMaxProducibleRate = 768000;
constexpr uint16_t kMaxProducibleChannels = 8;

void AddUnique(std::vector<CMediaType>& types, const WAVEFORMATEX& format)
{
    CMediaType candidate = CMediaType::FromWaveFormat(format);
    for (const auto& existing : types) {
        if (existing.format == candidate.format)
            return;
    }
    types.push_back(std::move(candidate));
}
}  // namespace

const std::vector<uint32_t>& StandardAacRates()
{
    static const std::vector<uint32_t> rates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                22050, 16000, 12000, 11025, 8000,  7350};
    return rates;
}

uint32_t NearestStandardAacRate(uint32_t rate)
{
    uint32_t best = StandardAacRates().front();
    uint64_t bestDistance = UINT64_MAX;
    // Highest first, and only a strictly smaller distance replaces the choice:
    // a tie keeps the higher rate.
    for (uint32_t candidate : StandardAacRates()) {
        const uint64_t distance = candidate > rate ? candidate - rate : rate - candidate;
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

bool CanProducePcm(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample == 16 && f.nChannels >= 1 &&
           f.nChannels <= kMaxProducibleChannels && f.nSamplesPerSec >= kMinProducibleRate &&
           f.nSamplesPerSec <= kMaxProducibleRate && f.nBlockAlign == f.nChannels * 2 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign && f.cbSize == 0;
}

std::vector<CMediaType> CandidateTypes(uint32_t nativeRate, int nativeChannels, const WAVEFORMATEX* required)
{
    std::vector<CMediaType> types;
    if (nativeRate == 0 || nativeChannels <= 0)
        return types;
    const uint32_t rate = required ? nativeRate : NearestStandardAacRate(nativeRate);
    if (rate >= kMinProducibleRate && rate <= kMaxProducibleRate) {
        if (nativeChannels <= 2)
            AddUnique(types, MakePcm16Format(rate, static_cast<uint16_t>(nativeChannels)));
        AddUnique(types, MakePcm16Format(rate, 2));
    }
    if (required && CanProducePcm(*required))
        AddUnique(types, *required);
    return types;
}
