// Which sample rates and configurations the AAC encoder can honour.
#include "aac/AacEncoder.h"

#include <array>
#include <cstdlib>

namespace aac {
namespace {

// The sampling frequencies AAC defines, highest first.
constexpr std::array<unsigned long, 13> kSampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                        22050, 16000, 12000, 11025, 8000,  7350};

// Measured with FFmpeg's native encoder on noise: from 8000 bit/s per channel
// up, stereo output meets the target at every standard rate up to 48 kHz;
// below it the encoder overshoots the target at every rate. (Mono at 22.05 kHz
// and above bottoms out somewhat higher, about 10 to 18 kbit/s; such a request
// is still taken and simply gives a larger file.)
constexpr unsigned long kMinBitRatePerChannel = 8000;

// An AAC frame may hold at most 6144 bits per channel for 1024 samples.
constexpr unsigned long kMaxBitsPerChannelPerFrame = 6144;
constexpr unsigned long kSamplesPerFrame = 1024;

}  // namespace

bool IsSupportedSampleRate(unsigned long sampleRate)
{
    for (unsigned long rate : kSampleRates) {
        if (rate == sampleRate)
            return true;
    }
    return false;
}

unsigned long NearestSupportedSampleRate(unsigned long sampleRate)
{
    unsigned long best = kSampleRates.front();
    unsigned long bestDistance = static_cast<unsigned long>(-1);
    // Highest first with a strict comparison: a tie keeps the higher rate.
    for (unsigned long rate : kSampleRates) {
        const unsigned long distance = rate > sampleRate ? rate - sampleRate : sampleRate - rate;
        if (distance < bestDistance) {
            best = rate;
            bestDistance = distance;
        }
    }
    return best;
}

unsigned long MinBitRatePerChannel()
{
    return kMinBitRatePerChannel;
}

unsigned long MaxBitRatePerChannel(unsigned long sampleRate)
{
    return kMaxBitsPerChannelPerFrame * sampleRate / kSamplesPerFrame;
}

bool IsHonourable(const Configuration& config, unsigned long sampleRate)
{
    if (!IsSupportedSampleRate(sampleRate))
        return false;
    if (config.bitRatePerChannel < MinBitRatePerChannel() ||
        config.bitRatePerChannel > MaxBitRatePerChannel(sampleRate))
        return false;
    if (config.bandwidth > sampleRate / 2)
        return false;
    return true;
}

}  // namespace aac
