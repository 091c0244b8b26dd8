#pragma once
// A small AAC-LC encoder interface over FFmpeg's native AAC encoder: blocks of
// interleaved signed 16-bit samples in, raw AAC frames (no ADTS header) out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace aac {

constexpr int MPEG4 = 0;
constexpr int MPEG2 = 1;
constexpr int MAIN = 1;
constexpr int LOW = 2;
constexpr int SSR = 3;
constexpr int LTP = 4;
constexpr int RAW_STREAM = 0;
constexpr int ADTS_STREAM = 1;
constexpr int INPUT_16BIT = 1;
constexpr int SHORTCTL_NORMAL = 0;

struct Configuration {
    int mpegVersion = MPEG4;
    int aacObjectType = LOW;
    int allowMidside = 1;
    int useTns = 0;
    unsigned long bitRate = 64000;  // bits per second per channel
    unsigned int bandWidth = 0;     // 0: chosen by the encoder
    int outputFormat = RAW_STREAM;
    int inputFormat = INPUT_16BIT;
    int shortctl = SHORTCTL_NORMAL;
};

class Encoder {
public:
    // Opens an encoder for `sampleRate` and 1 or 2 channels. Reports the
    // samples (all channels together) taken per call and the largest frame in
    // bytes. Null when the encoder cannot be opened for that format.
    static std::unique_ptr<Encoder> Open(unsigned long sampleRate, unsigned int channels,
                                         unsigned long& inputSamples, unsigned long& maxOutputBytes);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    Configuration GetCurrentConfiguration() const;
    // 1 when accepted; 0 when the encoder cannot honour it, in which case the
    // previous configuration stays in force.
    int SetConfiguration(const Configuration& config);

    // Encodes one block of `count` interleaved samples (at most inputSamples;
    // a shorter block is accepted as a file's last). With no samples (count 0)
    // flushes: call until it returns 0. Returns the byte count of one raw
    // frame written to `output`, 0 when the encoder holds the input, negative
    // on error.
    int Encode(const int16_t* samples, unsigned int count, uint8_t* output, unsigned int outputSize);

    // The AudioSpecificConfig bytes for the stream's decoder configuration.
    std::vector<uint8_t> GetDecoderSpecificInfo() const;

    unsigned int Channels() const;
    unsigned long SampleRate() const;

    // Names the encoder really used, for example "Lavc59.37.100 aac".
    static std::string GetVersion();

    struct Impl;

private:
    explicit Encoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Sample rates the encoder takes (the standard AAC rates).
bool IsSupportedSampleRate(unsigned long sampleRate);
// The supported rate nearest to `sampleRate`.
unsigned long NearestSupportedSampleRate(unsigned long sampleRate);

}  // namespace aac
