#pragma once
// Builds the `moov` index box from the tracks and tags gathered while writing.
#include <cstdint>
#include <memory>
#include <vector>

namespace mp4 {

struct Track;
class MetadataItems;

struct MovieDescription {
    uint32_t timeScale = 1000;
    uint8_t audioProfileLevel = 0xFF;
    uint64_t creationTime = 0;  // seconds since 1904-01-01
    std::vector<const Track*> tracks;
    const MetadataItems* metadata = nullptr;
};

std::vector<uint8_t> BuildMoov(const MovieDescription& movie);

// `value` ticks of `from` per second as ticks of `to`, rounded to nearest,
// computed without overflow (saturates at 2^64 - 1).
uint64_t Rescale(uint64_t value, uint32_t from, uint32_t to);

}  // namespace mp4
