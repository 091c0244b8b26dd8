#include "mp4/AudioConfig.h"

#include <iterator>

namespace mp4 {

namespace {

class BitCursor {
public:
    BitCursor(const uint8_t* data, size_t size) : m_data(data), m_bits(size * 8) {}
    bool Has(size_t count) const { return m_pos + count <= m_bits; }
    uint32_t Read(size_t count)
    {
        uint32_t v = 0;
        for (size_t i = 0; i < count; ++i, ++m_pos)
            v = (v << 1) | ((m_data[m_pos / 8] >> (7 - m_pos % 8)) & 1u);
        return v;
    }

private:
    const uint8_t* m_data;
    size_t m_bits;
    size_t m_pos = 0;
};

constexpr uint32_t SAMPLE_RATES[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

std::optional<AudioFormat> ParseAudioSpecificConfig(const uint8_t* data, size_t size)
{
    if (data == nullptr)
        return std::nullopt;
    BitCursor bits(data, size);
    if (!bits.Has(5))
        return std::nullopt;
    if (bits.Read(5) == 31) {  // escape: the object type continues in six more bits
        if (!bits.Has(6))
            return std::nullopt;
        bits.Read(6);
    }
    if (!bits.Has(4))
        return std::nullopt;
    AudioFormat format;
    const uint32_t index = bits.Read(4);
    if (index == 15) {
        if (!bits.Has(24))
            return std::nullopt;
        format.sampleRate = bits.Read(24);
    } else if (index < std::size(SAMPLE_RATES)) {
        format.sampleRate = SAMPLE_RATES[index];
    } else {
        return std::nullopt;
    }
    if (!bits.Has(4))
        return std::nullopt;
    const uint32_t channelConfig = bits.Read(4);
    format.channels = static_cast<uint16_t>(channelConfig == 7 ? 8 : channelConfig <= 6 ? channelConfig : 0);
    return format;
}

}  // namespace mp4
