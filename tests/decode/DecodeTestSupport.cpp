#include "DecodeTestSupport.h"

#include <cmath>

#include "base/Text.h"

namespace decodetest {

CPcmReader::ePull PullAll(CPcmReader& reader, Planes& pcm)
{
    pcm.resize(static_cast<size_t>(reader.Format().channels));
    for (;;) {
        sPcmSpan span;
        const CPcmReader::ePull pulled = reader.Pull(span);
        if (pulled != CPcmReader::ePull::Samples)
            return pulled;
        for (size_t c = 0; c < pcm.size(); ++c)
            pcm[c].insert(pcm[c].end(), span.planes[c], span.planes[c] + span.samples);
    }
}

DecodeResult DecodeFile(const std::filesystem::path& file, const std::optional<sPcmFormat>& required)
{
    DecodeResult result;
    const std::atomic<bool> stop{false};
    CPcmReader reader(stop);
    result.error = reader.Open(FromPath(file), required);
    if (result.error != eReadError::None)
        return result;
    result.format = reader.Format();
    result.duration = reader.Duration();
    sPcmSpan after;
    result.ended = PullAll(reader, result.pcm) == CPcmReader::ePull::End &&
                   reader.Pull(after) == CPcmReader::ePull::End && after.samples == 0;
    result.finalPosition = reader.Position();
    return result;
}

int ZeroCrossings(const std::vector<float>& channel)
{
    int crossings = 0;
    bool havePrevious = false;
    bool previousNegative = false;
    for (const float value : channel) {
        // Below one step of 16-bit PCM: a codec's noise around silence.
        if (std::fabs(value) < 1.0f / 32768)
            continue;
        const bool negative = value < 0.0f;
        if (havePrevious && negative != previousNegative)
            ++crossings;
        previousNegative = negative;
        havePrevious = true;
    }
    return crossings;
}

}  // namespace decodetest
