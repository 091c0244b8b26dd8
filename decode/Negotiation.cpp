#include "decode/Negotiation.h"

namespace {
constexpr uint32_t kMinProducibleRate = 1000;
constexpr uint32_t kMaxProducibleRate = 768000;
constexpr int kMaxProducibleChannels = 8;
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

std::optional<sPcmFormat> ChooseOutputFormat(uint32_t nativeRate, int nativeChannels,
                                             const std::optional<sPcmFormat>& required)
{
    if (nativeRate == 0 || nativeChannels <= 0)
        return std::nullopt;
    if (!required)
        return sPcmFormat{NearestStandardAacRate(nativeRate), nativeChannels <= 2 ? nativeChannels : 2};
    const bool producible = required->rate >= kMinProducibleRate && required->rate <= kMaxProducibleRate &&
                            required->channels >= 1 && required->channels <= kMaxProducibleChannels;
    return producible ? required : std::nullopt;
}
