#pragma once
// The sample rate and channel count carried by an MPEG-4 AudioSpecificConfig,
// for the `mp4a` sample description.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mp4 {

struct AudioFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;  // 0: given by a program config element, not known here
};

// Nullopt when the bytes are too short to hold the rate and channel fields.
std::optional<AudioFormat> ParseAudioSpecificConfig(const uint8_t* data, size_t size);

}  // namespace mp4
