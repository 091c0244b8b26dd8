// Configurations: which are refused, that a refusal keeps the previous one in
// force, and that an accepted one is really applied (bit rate, bandwidth).
#include "aac/AacEncoder.h"
#include "AacTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using aactest::OpenEncoder;
using aactest::Opened;

constexpr int kRate = 44100;

// Encodes `seconds` of broadband content and gives the average bit rate of
// the frames, in bits per second (all channels).
double AverageBitRate(Opened& e, unsigned int channels, int seconds, aactest::EncodedStream* out = nullptr)
{
    const auto pcm = aactest::NoisyContent(static_cast<size_t>(seconds) * kRate, static_cast<int>(channels), kRate);
    aactest::EncodedStream stream = aactest::EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
    EXPECT_FALSE(stream.failed);
    const double bits = 8.0 * static_cast<double>(aactest::TotalBytes(stream.frames));
    // Each frame stands for 1024 samples per channel (the priming frame included).
    const double duration = static_cast<double>(stream.frames.size()) * 1024.0 / kRate;
    if (out)
        *out = std::move(stream);
    return bits / duration;
}

// Power of `signal` around `hz`, averaged over windows (a Goertzel filter).
double PowerAt(std::span<const float> signal, double hz, int sampleRate)
{
    constexpr size_t kWindow = 2048;
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hz / sampleRate);
    double total = 0.0;
    size_t windows = 0;
    for (size_t at = 0; at + kWindow <= signal.size(); at += kWindow, ++windows) {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = 0; i < kWindow; ++i) {
            const double s0 = signal[at + i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        total += s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    }
    return windows ? total / static_cast<double>(windows) : 0.0;
}

double BandPower(std::span<const float> signal, double fromHz, double toHz)
{
    double sum = 0.0;
    for (double hz = fromHz; hz <= toHz; hz += 250.0)
        sum += PowerAt(signal, hz, kRate);
    return sum;
}

}  // namespace

TEST(AacEncoderConfiguration, RefusalKeepsThePreviousConfigurationInForce)
{
    Opened e = OpenEncoder(kRate, 2);
    ASSERT_NE(e.encoder, nullptr);
    aac::Configuration accepted = e.encoder->CurrentConfiguration();
    accepted.bitRatePerChannel = 32000;
    ASSERT_TRUE(e.encoder->Configure(accepted));
    EXPECT_EQ(e.encoder->CurrentConfiguration(), accepted);

    const auto refused = [&](auto change) {
        aac::Configuration config = accepted;
        change(config);
        return config;
    };
    const aac::Configuration cannotHonour[] = {
        refused([](aac::Configuration& c) { c.bitRatePerChannel = 0; }),
        refused([](aac::Configuration& c) { c.bitRatePerChannel = aac::MinBitRatePerChannel() - 1; }),
        refused([](aac::Configuration& c) { c.bitRatePerChannel = aac::MaxBitRatePerChannel(kRate) + 1; }),
        refused([](aac::Configuration& c) { c.bitRatePerChannel = 500000; }),
        refused([](aac::Configuration& c) { c.bandwidth = kRate / 2 + 1; }),
    };
    for (const aac::Configuration& config : cannotHonour) {
        EXPECT_FALSE(e.encoder->Configure(config));
        EXPECT_EQ(e.encoder->CurrentConfiguration(), accepted);
    }

    // The accepted rate still drives the encoder, and the output decodes.
    aactest::EncodedStream stream;
    const double bitRate = AverageBitRate(e, 2, 10, &stream);
    EXPECT_NEAR(bitRate, 2 * 32000.0, 0.1 * 2 * 32000.0);
    const aactest::DecodedAudio audio = aactest::DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
    EXPECT_TRUE(audio.ok);
    EXPECT_EQ(audio.Length(), stream.frames.size() * 1024);
}

TEST(AacEncoderConfiguration, BitRateLimitsAreInclusive)
{
    EXPECT_EQ(aac::MaxBitRatePerChannel(44100), 264600u);
    EXPECT_EQ(aac::MaxBitRatePerChannel(48000), 288000u);
    Opened e = OpenEncoder(kRate, 2);
    ASSERT_NE(e.encoder, nullptr);
    aac::Configuration config = e.encoder->CurrentConfiguration();
    config.bitRatePerChannel = aac::MaxBitRatePerChannel(kRate);
    EXPECT_TRUE(e.encoder->Configure(config));
    config.bitRatePerChannel = aac::MinBitRatePerChannel();
    EXPECT_TRUE(e.encoder->Configure(config));
    EXPECT_EQ(e.encoder->CurrentConfiguration().bitRatePerChannel, aac::MinBitRatePerChannel());
}

TEST(AacEncoderConfiguration, ChosenBitRatePerChannelIsMet)
{
    const struct {
        unsigned int channels;
        unsigned long perChannel;  // 0: the default configuration
    } cases[] = {{2, 0}, {2, 48000}, {2, 96000}, {1, 32000}, {1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.perChannel << " bit/s per channel");
        Opened e = OpenEncoder(kRate, c.channels);
        ASSERT_NE(e.encoder, nullptr);
        unsigned long perChannel = e.encoder->CurrentConfiguration().bitRatePerChannel;
        if (c.perChannel) {
            aac::Configuration config = e.encoder->CurrentConfiguration();
            config.bitRatePerChannel = c.perChannel;
            ASSERT_TRUE(e.encoder->Configure(config));
            perChannel = c.perChannel;
        }
        const double expected = static_cast<double>(perChannel) * c.channels;
        EXPECT_NEAR(AverageBitRate(e, c.channels, 10), expected, 0.1 * expected);
    }
}

TEST(AacEncoderConfiguration, BandwidthLimitsTheDecodedSpectrum)
{
    const auto highBandShare = [](unsigned int bandWidth) {
        Opened e = OpenEncoder(kRate, 1);
        EXPECT_NE(e.encoder, nullptr);
        aac::Configuration config = e.encoder->CurrentConfiguration();
        config.bandwidth = bandWidth;
        EXPECT_TRUE(e.encoder->Configure(config));
        aactest::EncodedStream stream;
        AverageBitRate(e, 1, 3, &stream);
        const aactest::DecodedAudio audio = aactest::DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
        EXPECT_TRUE(audio.ok);
        const std::span<const float> signal(audio.channels.at(0));
        return BandPower(signal, 6000.0, 9000.0) / BandPower(signal, 1000.0, 3000.0);
    };
    const double automatic = highBandShare(0);
    const double limited = highBandShare(4000);
    // White noise has as much power at 6-9 kHz as at 1-3 kHz; cut off at
    // 4 kHz, next to none is left.
    EXPECT_GT(automatic, 0.5);
    EXPECT_LT(limited, 0.01 * automatic);
}

TEST(AacEncoderConfiguration, OtherAcceptedSettingsEncodeDecodableAudio)
{
    aac::Configuration base;
    const auto with = [&](auto change) {
        aac::Configuration config = base;
        change(config);
        return config;
    };
    const aac::Configuration variants[] = {
        with([](aac::Configuration& c) { c.temporalNoiseShaping = true; }),
        with([](aac::Configuration& c) { c.midSide = false; }),
    };
    for (const aac::Configuration& config : variants) {
        Opened e = OpenEncoder(kRate, 2);
        ASSERT_NE(e.encoder, nullptr);
        ASSERT_TRUE(e.encoder->Configure(config));
        EXPECT_EQ(e.encoder->CurrentConfiguration(), config);
        const auto pcm = aactest::TwoToneStereo(kRate, kRate, 440.0, 1000.0, 0.5);
        const aactest::EncodedStream stream = aactest::EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
        ASSERT_FALSE(stream.failed);
        const aactest::DecodedAudio audio = aactest::DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
        ASSERT_TRUE(audio.ok);
        ASSERT_EQ(audio.channels.size(), 2u);
        const std::span<const float> right = std::span<const float>(audio.channels[1]).subspan(2048, kRate / 2);
        EXPECT_NEAR(static_cast<double>(aactest::CountZeroCrossings(right)), 1000.0, 2.0);
    }
}

TEST(AacEncoderConfiguration, RefusedOnceEncodingHasBegun)
{
    Opened e = OpenEncoder(kRate, 2);
    ASSERT_NE(e.encoder, nullptr);
    const aac::Configuration before = e.encoder->CurrentConfiguration();
    const auto pcm = aactest::NoisyContent(1024, 2, kRate);
    std::vector<uint8_t> output(e.maxOutputBytes);
    ASSERT_EQ(aactest::EncodeInterleaved(*e.encoder, pcm.data(), static_cast<unsigned int>(pcm.size()),
                                         output.data(), static_cast<unsigned int>(output.size())),
              0);
    aac::Configuration changed = before;
    changed.bitRatePerChannel = 48000;
    EXPECT_FALSE(e.encoder->Configure(changed));
    EXPECT_EQ(e.encoder->CurrentConfiguration(), before);
    // The held block still comes out with the flush.
    EXPECT_GT(e.encoder->Encode(nullptr, 0, output.data(), static_cast<unsigned int>(output.size())), 0);
}
