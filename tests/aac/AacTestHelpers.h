#pragma once
// Helpers for the encoder tests: feed a whole signal through an encoder,
// decode the frames with libavcodec's native AAC decoder, and measure signals.
#include "aac/AacEncoder.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace aactest {

using Frame = std::vector<uint8_t>;

// An encoder with what Open reported; `inputSamples` is one block of
// interleaved samples, all channels together.
struct Opened {
    std::unique_ptr<aac::Encoder> encoder;
    unsigned long inputSamples = 0;
    unsigned long maxOutputBytes = 0;
};
Opened OpenEncoder(unsigned long sampleRate, unsigned int channels);

// Encode with `count` interleaved 16-bit samples (whole sample frames),
// handed to the encoder as float planes.
int EncodeInterleaved(aac::Encoder& encoder, const int16_t* samples, unsigned int count, uint8_t* output,
                      unsigned int outputSize);

struct EncodedStream {
    std::vector<Frame> frames;
    size_t framesWhileFeeding = 0;  // frames returned for blocks, before the flush
    bool failed = false;            // some call returned a negative result
};

// Feeds `pcm` (interleaved) in blocks of `blockSamples` (the last may be
// shorter), then flushes until the encoder returns 0.
EncodedStream EncodeAll(aac::Encoder& encoder, const std::vector<int16_t>& pcm, unsigned long blockSamples,
                        unsigned long maxOutputBytes);

struct DecodedAudio {
    int sampleRate = 0;
    std::vector<std::vector<float>> channels;  // planar, in [-1, 1]
    bool ok = false;
    size_t Length() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Decodes raw frames with the native AAC decoder, configured only by the
// AudioSpecificConfig `asc`.
DecodedAudio DecodeFrames(const std::vector<uint8_t>& asc, const std::vector<Frame>& frames);

// Interleaved 16-bit stereo with a different sine in each channel.
std::vector<int16_t> TwoToneStereo(size_t frames, int sampleRate, double leftHz, double rightHz, double amplitude);
// Interleaved 16-bit samples of a linear sweep from `fromHz` to `toHz` in every channel.
std::vector<int16_t> Sweep(size_t frames, int channels, int sampleRate, double fromHz, double toHz, double amplitude);
// Interleaved 16-bit samples of broadband content: noise from a fixed seed plus a tone.
std::vector<int16_t> NoisyContent(size_t frames, int channels, int sampleRate);

size_t CountZeroCrossings(std::span<const float> signal);
double Rms(std::span<const float> signal);
// The lag (0..maxLag) at which `decoded` best matches `reference` (one
// channel of the input, scaled to [-1, 1]), by normalised cross-correlation.
size_t BestLag(std::span<const float> reference, std::span<const float> decoded, size_t maxLag);
// One channel of interleaved 16-bit samples as floats in [-1, 1].
std::vector<float> ChannelOf(const std::vector<int16_t>& pcm, int channels, int channel);

size_t TotalBytes(const std::vector<Frame>& frames);

}  // namespace aactest
