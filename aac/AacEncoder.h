#pragma once
// A small AAC-LC encoder interface over FFmpeg's native AAC encoder: blocks of
// float planar samples in, raw AAC frames (no ADTS header) out.
// One Encoder is used by one thread at a time; separate encoders may run on
// separate threads at once.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace aac {

// What the program chooses of the encoder's settings; everything else is
// AAC-LC in raw frames, as MP4 files carry it.
struct Configuration {
    unsigned long bitRatePerChannel = 64000;  // bits per second
    unsigned int bandwidth = 0;               // Hz; 0: chosen by the encoder
    bool midSide = true;                      // mid/side stereo where it pays
    bool temporalNoiseShaping = false;

    bool operator==(const Configuration&) const = default;
};

class Encoder {
public:
    // Opens an encoder for `sampleRate` (one of the standard AAC rates) and 1
    // or 2 channels with the default Configuration. Reports the samples per
    // channel taken per call and the largest frame in bytes. Null, with both
    // reports 0, when the encoder cannot be opened for that format.
    static std::unique_ptr<Encoder> Open(unsigned long sampleRate, unsigned int channels,
                                         unsigned int& frameLength, unsigned long& maxOutputBytes);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    Configuration CurrentConfiguration() const;
    // True when accepted and in force; false when the encoder cannot honour
    // it (see IsHonourable) or encoding has already begun, in which case the
    // previous configuration stays in force.
    bool Configure(const Configuration& config);

    // Encodes one block of `samples` samples per channel (at most
    // frameLength), `planes[c]` holding channel c. A shorter block is taken
    // as the stream's last: after it only flushing is accepted. With no
    // samples (0) flushes: call until it returns 0. Returns the byte count of
    // one raw frame written to `output`, 0 when the encoder holds the input,
    // negative on error. `outputSize` must be at least maxOutputBytes; a call
    // refused for bad arguments consumes no input.
    int Encode(const float* const* planes, unsigned int samples, uint8_t* output, unsigned int outputSize);

    // The AudioSpecificConfig bytes for the stream's decoder configuration.
    std::vector<uint8_t> GetDecoderSpecificInfo() const;

    // Samples per channel by which the encoder delays its output: the first
    // frame's worth of priming that a player skips.
    unsigned int Delay() const;

    unsigned int Channels() const;
    unsigned long SampleRate() const;

    // Names the encoder really used, for example "Lavc59.37.100 aac".
    static std::string GetVersion();

    struct Impl;

private:
    explicit Encoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Sample rates the encoder takes (the standard AAC rates, 7350 to 96000 Hz).
bool IsSupportedSampleRate(unsigned long sampleRate);
// The supported rate nearest to `sampleRate`; halfway between two, the higher.
unsigned long NearestSupportedSampleRate(unsigned long sampleRate);

// Bit rates per channel that a configuration may ask for: below the minimum
// the encoder's rate control cannot reach the target; the maximum is the
// format's limit of 6144 bits per channel in each 1024-sample frame.
unsigned long MinBitRatePerChannel();
unsigned long MaxBitRatePerChannel(unsigned long sampleRate);

// Whether the encoder can honour `config` at `sampleRate`: a standard rate, a
// bit rate per channel within the limits above and a bandwidth of at most
// half the rate.
bool IsHonourable(const Configuration& config, unsigned long sampleRate);

}  // namespace aac
