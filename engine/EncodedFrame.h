#pragma once
// One raw AAC frame (no ADTS header) with its duration in samples per channel.
#include <cstdint>
#include <memory>

struct sEncodedFrame {
    std::unique_ptr<uint8_t[]> data;
    int size = 0;
    uint64_t duration = 0;
};

// One block of interleaved 16-bit PCM: one encoder frame's worth of samples.
// The last block of a file is filled up with `silence` samples of silence.
struct sPcmBlock {
    std::unique_ptr<int16_t[]> samples;
    int count = 0;
    int silence = 0;  // trailing samples (all channels) that are not the file's
};
