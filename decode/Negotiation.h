#pragma once
// The PCM format a file is read in: the book's, which its first file fixes.
#include <cstdint>
#include <optional>
#include <vector>

// A PCM format as the reader puts it out: float planar samples at `rate`,
// `channels` planes in the default layout for that count.
struct sPcmFormat {
    uint32_t rate = 0;
    int channels = 0;

    bool operator==(const sPcmFormat&) const = default;
};

// The sample rates the AAC encoder takes, highest first.
const std::vector<uint32_t>& StandardAacRates();

// `rate` itself when the AAC encoder takes it, otherwise the nearest rate it
// takes (the higher one on a tie).
uint32_t NearestStandardAacRate(uint32_t rate);

// The format a stream decoding at `nativeRate` Hz with `nativeChannels`
// channels is read in. A book's first file (no `required` format) fixes the
// book's: the nearest standard AAC rate and its own channels, mono or stereo,
// more than two mixed down to stereo. A later file is converted to exactly
// the book's format. Nothing when no such format can be produced.
std::optional<sPcmFormat> ChooseOutputFormat(uint32_t nativeRate, int nativeChannels,
                                             const std::optional<sPcmFormat>& required);
