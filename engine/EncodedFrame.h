#pragma once
// One raw AAC frame (no ADTS header) with its duration in samples per channel.
#include <cstdint>
#include <memory>

struct sEncodedFrame {
    std::unique_ptr<uint8_t[]> data;
    int size = 0;
    uint64_t duration = 0;
};

// One block of float planar PCM: one encoder frame's worth of samples per
// channel, channel c's at [c * length, (c + 1) * length). The last block of a
// file is filled up with `silence` samples of silence per channel.
struct sPcmBlock {
    std::unique_ptr<float[]> samples;
    int length = 0;   // samples per channel
    int silence = 0;  // trailing samples per channel that are not the file's

    const float* Plane(int channel) const { return samples.get() + static_cast<size_t>(channel) * length; }
};
