#pragma once
// Turns interleaved signed 16-bit PCM into the planar float samples that the
// encoder takes, into buffers the caller owns (no allocation).
#include <cstddef>
#include <cstdint>

namespace aac {

// Writes `frames` sample frames of `channels` interleaved channels from
// `interleaved` into `planes[0..channels-1]`, scaled to [-1, 1).
void DeinterleaveToFloat(const int16_t* interleaved, size_t frames, unsigned int channels, float* const* planes);

}  // namespace aac
