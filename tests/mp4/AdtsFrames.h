#pragma once
// Splits an ADTS stream (as the ffmpeg tool writes AAC) into raw AAC frames
// and derives the two-byte AudioSpecificConfig from its first header.
#include <cstdint>
#include <string>
#include <vector>

namespace mp4test {

struct AdtsStream {
    std::vector<std::vector<uint8_t>> frames;  // raw payloads, headers removed
    std::vector<uint8_t> audioSpecificConfig;
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
};

// False with `error` set when the bytes are not a clean ADTS stream.
bool SplitAdts(const std::vector<uint8_t>& bytes, AdtsStream* stream, std::string* error);

}  // namespace mp4test
