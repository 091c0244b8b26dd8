#pragma once
// The PCM format record that the decoding layer negotiates and that fixes a
// book's format: the classic 18-byte wave format header, byte for byte.
#include <cstdint>
#include <cstring>

#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is compared as 18 raw bytes");

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Interleaved signed 16-bit PCM at the given rate and channel count.
inline WAVEFORMATEX MakePcm16Format(uint32_t sampleRate, uint16_t channels)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = sampleRate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<uint16_t>(channels * 2);
    f.nAvgBytesPerSec = sampleRate * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

inline bool SameFormatBytes(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return std::memcmp(&a, &b, sizeof(WAVEFORMATEX)) == 0;
}
