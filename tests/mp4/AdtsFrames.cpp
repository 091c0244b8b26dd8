#include "AdtsFrames.h"

#include <iterator>

namespace mp4test {

namespace {
constexpr uint32_t SAMPLE_RATES[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
}

bool SplitAdts(const std::vector<uint8_t>& bytes, AdtsStream* stream, std::string* error)
{
    *stream = AdtsStream{};
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 7 || bytes[pos] != 0xFF || (bytes[pos + 1] & 0xF6) != 0xF0) {
            *error = "no ADTS header at " + std::to_string(pos);
            return false;
        }
        const uint8_t* h = bytes.data() + pos;
        const bool hasCrc = !(h[1] & 0x01);
        const uint32_t profile = h[2] >> 6;  // object type - 1
        const uint32_t rateIndex = (h[2] >> 2) & 0x0F;
        const uint32_t channelConfig = ((h[2] & 0x01) << 2) | (h[3] >> 6);
        const size_t frameLength = ((h[3] & 0x03u) << 11) | (h[4] << 3) | (h[5] >> 5);
        const uint32_t rawBlocks = h[6] & 0x03;
        const size_t headerLength = hasCrc ? 9 : 7;
        if (rateIndex >= std::size(SAMPLE_RATES) || rawBlocks != 0 || frameLength < headerLength ||
            frameLength > bytes.size() - pos) {
            *error = "unsupported or truncated ADTS frame at " + std::to_string(pos);
            return false;
        }
        if (stream->frames.empty()) {
            const uint32_t objectType = profile + 1;
            const uint32_t config = objectType << 11 | rateIndex << 7 | channelConfig << 3;
            stream->audioSpecificConfig = {static_cast<uint8_t>(config >> 8), static_cast<uint8_t>(config)};
            stream->sampleRate = SAMPLE_RATES[rateIndex];
            stream->channels = static_cast<uint16_t>(channelConfig);
        }
        stream->frames.emplace_back(h + headerLength, h + frameLength);
        pos += frameLength;
    }
    if (stream->frames.empty()) {
        *error = "no frames";
        return false;
    }
    return true;
}

}  // namespace mp4test
