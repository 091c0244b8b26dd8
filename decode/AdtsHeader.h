#pragma once
// The header of an ADTS AAC frame, read without decoding: the cut check asks
// it for the frame's rate and length, the frame copier for the stream's
// configuration and where the raw frame starts.
#include <cstdint>
#include <optional>
#include <vector>

struct sAdtsHeader {
    int objectType = 0;  // the MPEG-4 audio object type (2: AAC-LC)
    int rateIndex = 0;   // the sampling frequency index
    int channels = 0;    // the channel configuration
    int rawBlocks = 1;   // raw data blocks in the frame
    int frameSize = 0;   // bytes, header included
    int headerSize = 0;  // 7 bytes, or 9 with a CRC

    // The AudioSpecificConfig the header stands for.
    std::vector<uint8_t> AudioSpecificConfig() const;
};

// The header `data` starts with; nullopt when it does not start with one.
std::optional<sAdtsHeader> ReadAdtsHeader(const uint8_t* data, int size);
