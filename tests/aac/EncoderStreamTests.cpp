// Encoding blocks: frame counts, the priming delay, the short last block,
// refused calls, and the round trip through the native AAC decoder.
#include "aac/AacEncoder.h"
#include "AacTestHelpers.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using aactest::DecodeFrames;
using aactest::EncodeAll;

namespace {

using aactest::OpenEncoder;
using aactest::Opened;

constexpr size_t kFrameLength = 1024;
constexpr size_t kPriming = 1024;

// A frame holds at most 6144 bits per channel.
void ExpectFrameSizesWithinFormat(const std::vector<aactest::Frame>& frames, unsigned int channels)
{
    for (const aactest::Frame& frame : frames) {
        EXPECT_GT(frame.size(), 0u);
        EXPECT_LE(frame.size(), 768u * channels);
    }
}

}  // namespace

TEST(AacEncoderStream, WholeBlocksGiveOneFrameEachPlusThePrimingFrame)
{
    for (unsigned int channels : {1u, 2u}) {
        SCOPED_TRACE(channels);
        Opened e = OpenEncoder(44100, channels);
        ASSERT_NE(e.encoder, nullptr);
        const auto pcm = testsupport::SineSamples(10 * kFrameLength, static_cast<int>(channels), 44100, 440.0);
        ASSERT_EQ(pcm.size(), 10 * e.inputSamples);

        const aactest::EncodedStream stream = EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
        ASSERT_FALSE(stream.failed);
        // The first block is held (priming delay); each later one gives a frame.
        EXPECT_EQ(stream.framesWhileFeeding, 9u);
        EXPECT_EQ(stream.frames.size(), 11u);
        ExpectFrameSizesWithinFormat(stream.frames, channels);

        // The flush stays ended.
        std::vector<uint8_t> output(e.maxOutputBytes);
        EXPECT_EQ(e.encoder->Encode(nullptr, 0, output.data(), static_cast<unsigned int>(output.size())), 0);

        const aactest::DecodedAudio audio = DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
        ASSERT_TRUE(audio.ok);
        ASSERT_EQ(audio.channels.size(), channels);
        // Whole blocks: the decoded length minus the priming is exactly the input.
        EXPECT_EQ(audio.Length() - kPriming, 10 * kFrameLength);
    }
}

TEST(AacEncoderStream, ShortLastBlockIsEncodedAndEndsTheInput)
{
    Opened e = OpenEncoder(44100, 2);
    ASSERT_NE(e.encoder, nullptr);
    const size_t inputFrames = 10 * kFrameLength + 500;
    const auto pcm = aactest::Sweep(inputFrames, 2, 44100, 200.0, 3000.0, 0.5);
    std::vector<uint8_t> output(e.maxOutputBytes);
    const auto outputSize = static_cast<unsigned int>(output.size());

    std::vector<aactest::Frame> frames;
    for (size_t at = 0; at < pcm.size(); at += e.inputSamples) {
        const size_t count = std::min<size_t>(e.inputSamples, pcm.size() - at);
        const int n = aactest::EncodeInterleaved(*e.encoder, pcm.data() + at, static_cast<unsigned int>(count),
                                                 output.data(), outputSize);
        ASSERT_GE(n, 0);
        if (n > 0)
            frames.emplace_back(output.begin(), output.begin() + n);
    }
    // Nothing may follow the short block but the flush.
    EXPECT_LT(aactest::EncodeInterleaved(*e.encoder, pcm.data(), static_cast<unsigned int>(e.inputSamples),
                                         output.data(), outputSize),
              0);
    for (int n; (n = e.encoder->Encode(nullptr, 0, output.data(), outputSize)) > 0;)
        frames.emplace_back(output.begin(), output.begin() + n);

    // Frames cover the priming and every input sample, the last one padded.
    const size_t expectedFrames = (inputFrames + kPriming + kFrameLength - 1) / kFrameLength;
    ASSERT_EQ(frames.size(), expectedFrames);

    const aactest::DecodedAudio audio = DecodeFrames(e.encoder->GetDecoderSpecificInfo(), frames);
    ASSERT_TRUE(audio.ok);
    ASSERT_EQ(audio.Length(), expectedFrames * kFrameLength);
    // The raw decode also plays the padding of the last frame; a container
    // trims it through the frame durations, which sum to input + priming.
    // What must hold exactly: the input starts as many samples in as the
    // encoder reports as its delay (one priming frame), its last samples are
    // there, and after them there is only silence.
    const std::vector<float> left = aactest::ChannelOf(pcm, 2, 0);
    EXPECT_EQ(aactest::BestLag(left, audio.channels[0], 2 * kPriming), e.encoder->Delay());
    const std::span<const float> decoded(audio.channels[0]);
    const size_t end = e.encoder->Delay() + inputFrames;
    const double tailLevel = aactest::Rms(decoded.subspan(end - 400, 400));
    EXPECT_NEAR(tailLevel, aactest::Rms(std::span<const float>(left).last(400)), 0.05);
    EXPECT_LT(aactest::Rms(decoded.subspan(end + 64)), 0.01);
}

TEST(AacEncoderStream, RoundTripKeepsFrequencyLevelAndChannels)
{
    struct Case {
        unsigned long rate;
        double leftHz;
        double rightHz;  // 0: mono
    };
    for (const Case& c : {Case{44100, 440.0, 1000.0}, Case{48000, 1000.0, 0.0}, Case{22050, 300.0, 700.0}}) {
        const unsigned int channels = c.rightHz > 0 ? 2 : 1;
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << channels << " channels");
        Opened e = OpenEncoder(c.rate, channels);
        ASSERT_NE(e.encoder, nullptr);
        const double amplitude = 0.5;
        const size_t inputFrames = 2 * c.rate;
        const auto pcm = channels == 2
                             ? aactest::TwoToneStereo(inputFrames, static_cast<int>(c.rate), c.leftHz, c.rightHz, amplitude)
                             : testsupport::SineSamples(inputFrames, 1, static_cast<int>(c.rate), c.leftHz, amplitude);

        const aactest::EncodedStream stream = EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
        ASSERT_FALSE(stream.failed);
        const aactest::DecodedAudio audio = DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
        ASSERT_TRUE(audio.ok);
        EXPECT_EQ(audio.sampleRate, static_cast<int>(c.rate));
        ASSERT_EQ(audio.channels.size(), channels);

        // One second from the middle, well clear of the priming and the end.
        const size_t start = kPriming + c.rate / 2;
        for (unsigned int ch = 0; ch < channels; ++ch) {
            const double hz = ch == 0 ? c.leftHz : c.rightHz;
            const std::span<const float> second = std::span<const float>(audio.channels[ch]).subspan(start, c.rate);
            const double crossings = static_cast<double>(aactest::CountZeroCrossings(second));
            EXPECT_NEAR(crossings, 2.0 * hz, 2.0) << "channel " << ch;
            EXPECT_NEAR(aactest::Rms(second), amplitude / std::sqrt(2.0), 0.03 * amplitude) << "channel " << ch;
        }
    }
}

TEST(AacEncoderStream, DecodedAudioLagsTheInputByExactlyOnePrimingFrame)
{
    for (unsigned int channels : {1u, 2u}) {
        SCOPED_TRACE(channels);
        Opened e = OpenEncoder(44100, channels);
        ASSERT_NE(e.encoder, nullptr);
        const auto pcm = aactest::Sweep(20 * kFrameLength, static_cast<int>(channels), 44100, 100.0, 5000.0, 0.4);
        const aactest::EncodedStream stream = EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
        ASSERT_FALSE(stream.failed);
        const aactest::DecodedAudio audio = DecodeFrames(e.encoder->GetDecoderSpecificInfo(), stream.frames);
        ASSERT_TRUE(audio.ok);
        for (unsigned int ch = 0; ch < channels; ++ch) {
            const std::vector<float> reference = aactest::ChannelOf(pcm, static_cast<int>(channels), static_cast<int>(ch));
            EXPECT_EQ(aactest::BestLag(reference, audio.channels[ch], 2 * kPriming), kPriming) << "channel " << ch;
        }
    }
}

TEST(AacEncoderStream, RefusedCallsConsumeNoInput)
{
    const auto pcm = aactest::NoisyContent(6 * kFrameLength, 2, 44100);

    Opened reference = OpenEncoder(44100, 2);
    ASSERT_NE(reference.encoder, nullptr);
    const aactest::EncodedStream expected =
        EncodeAll(*reference.encoder, pcm, reference.inputSamples, reference.maxOutputBytes);
    ASSERT_FALSE(expected.failed);

    Opened e = OpenEncoder(44100, 2);
    ASSERT_NE(e.encoder, nullptr);
    std::vector<uint8_t> output(e.maxOutputBytes + 1);
    const auto full = static_cast<unsigned int>(e.maxOutputBytes);
    const auto block = static_cast<unsigned int>(e.inputSamples);
    const auto encode = [&](unsigned int count, uint8_t* out, unsigned int size) {
        return aactest::EncodeInterleaved(*e.encoder, pcm.data(), count, out, size);
    };
    EXPECT_LT(encode(block, output.data(), full - 1), 0) << "output buffer too small";
    EXPECT_LT(encode(block, nullptr, full), 0) << "no output buffer";
    EXPECT_LT(encode(block + 2, output.data(), full), 0) << "more than one block";
    EXPECT_LT(e.encoder->Encode(nullptr, block / 2, output.data(), full), 0) << "no samples";

    // The refused calls left no trace: the stream is byte for byte the same.
    const aactest::EncodedStream actual = EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
    ASSERT_FALSE(actual.failed);
    EXPECT_EQ(actual.frames, expected.frames);
}

TEST(AacEncoderStream, FlushWithoutInputGivesNoFrames)
{
    Opened e = OpenEncoder(44100, 2);
    ASSERT_NE(e.encoder, nullptr);
    std::vector<uint8_t> output(e.maxOutputBytes);
    EXPECT_EQ(e.encoder->Encode(nullptr, 0, output.data(), static_cast<unsigned int>(output.size())), 0);
    EXPECT_EQ(e.encoder->Encode(nullptr, 0, output.data(), static_cast<unsigned int>(output.size())), 0);
    // After the flush the stream is over.
    const auto pcm = testsupport::SineSamples(kFrameLength, 2, 44100, 440.0);
    EXPECT_LT(aactest::EncodeInterleaved(*e.encoder, pcm.data(), static_cast<unsigned int>(pcm.size()),
                                         output.data(), static_cast<unsigned int>(output.size())),
              0);
}
