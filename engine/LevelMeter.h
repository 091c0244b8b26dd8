#pragma once
// The level envelope of a unit's audio, measured from the PCM blocks its
// encoder takes anyway: the mean square of every window of a few
// milliseconds, numbered by the file's samples, so that the envelopes of a
// file's units join into the file's (unit bounds are whole AAC frames, and a
// window divides a frame). The book writer decides a file's chapter cuts
// from it (engine/ChapterSplit.h).
#include <cstdint>
#include <vector>

// Samples of one level window at `rate`: the longest that divides an AAC
// frame and lasts at most 12 ms (512 samples at 44.1 and 48 kHz).
uint32_t LevelWindowSamples(uint32_t rate);

// Levels of a stretch of a file: `values[k]` is window `first + k`'s.
struct sLevelEnvelope {
    uint64_t first = 0;
    std::vector<float> values;
};

class CLevelMeter {
public:
    // Measures the file's samples [from, to) in windows of `window` samples.
    CLevelMeter(uint32_t window, uint64_t from, uint64_t to);

    // Takes `count` samples of each of the `channels` planes, the first of
    // them the file's sample `position`; samples outside [from, to) are not
    // measured.
    void Add(const float* const* planes, int channels, int count, uint64_t position);
    // The envelope so far, a last partial window included; the meter is
    // empty afterwards.
    sLevelEnvelope Take();

private:
    void CloseWindow();

    const uint32_t m_nWindow;
    const uint64_t m_nFrom;
    const uint64_t m_nTo;
    sLevelEnvelope m_envelope;
    uint64_t m_nWindowIndex = 0;  // the window being summed
    double m_dSum = 0;
    uint64_t m_nSummed = 0;  // samples (of all channels) in m_dSum
};

// Places `part` into `levels`, a file's envelope from its window 0; windows
// between that no part covered count as loud.
void MergeLevels(std::vector<float>& levels, const sLevelEnvelope& part);
