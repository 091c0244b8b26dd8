#include "aac/PcmConversion.h"

namespace aac {
namespace {
constexpr float kScale = 1.0f / 32768.0f;
}

void DeinterleaveToFloat(const int16_t* interleaved, size_t frames, unsigned int channels, float* const* planes)
{
    // Mono and stereo get their own simple loops so that the compiler can
    // vectorise them; other counts take the general path.
    if (channels == 1) {
        float* out = planes[0];
        for (size_t i = 0; i < frames; ++i)
            out[i] = static_cast<float>(interleaved[i]) * kScale;
        return;
    }
    if (channels == 2) {
        float* left = planes[0];
        float* right = planes[1];
        for (size_t i = 0; i < frames; ++i) {
            left[i] = static_cast<float>(interleaved[2 * i]) * kScale;
            right[i] = static_cast<float>(interleaved[2 * i + 1]) * kScale;
        }
        return;
    }
    for (unsigned int c = 0; c < channels; ++c) {
        float* out = planes[c];
        for (size_t i = 0; i < frames; ++i)
            out[i] = static_cast<float>(interleaved[i * channels + c]) * kScale;
    }
}

}  // namespace aac
