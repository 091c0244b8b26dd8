#pragma once
// Pulling a whole file through the PCM reader, and measuring what came out.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "decode/PcmReader.h"

namespace decodetest {

using Planes = std::vector<std::vector<float>>;  // one vector per channel

struct DecodeResult {
    eReadError error = eReadError::None;
    sPcmFormat format;      // the chosen format, zero on failure
    int64_t duration = 0;   // 100 ns
    int64_t finalPosition = 0;
    Planes pcm;
    // The pulls ended with End, and a further pull gave nothing.
    bool ended = false;

    size_t FramesPerChannel() const { return pcm.empty() ? 0 : pcm[0].size(); }
};

// Appends what `reader` puts out to `pcm` until a pull gives anything but
// samples, and returns that.
CPcmReader::ePull PullAll(CPcmReader& reader, Planes& pcm);

// Opens the file and pulls it to its end.
DecodeResult DecodeFile(const std::filesystem::path& file, const std::optional<sPcmFormat>& required = std::nullopt);

// Sign changes of one channel, leaving out values too small to count.
int ZeroCrossings(const std::vector<float>& channel);

}  // namespace decodetest
