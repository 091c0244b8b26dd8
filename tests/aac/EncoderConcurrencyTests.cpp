// Encoders of different files run on different threads at once: each must
// give exactly what it gives alone.
#include "aac/AacEncoder.h"
#include "AacTestHelpers.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

aactest::EncodedStream EncodeAlone(const std::vector<int16_t>& pcm, unsigned int channels)
{
    aactest::Opened e = aactest::OpenEncoder(44100, channels);
    if (!e.encoder)
        return aactest::EncodedStream{{}, 0, true};
    return aactest::EncodeAll(*e.encoder, pcm, e.inputSamples, e.maxOutputBytes);
}

}  // namespace

TEST(AacEncoderConcurrency, ParallelEncodersMatchSequentialOutput)
{
    const auto stereo = aactest::NoisyContent(3 * 44100, 2, 44100);
    const auto mono = aactest::Sweep(3 * 44100, 1, 44100, 100.0, 8000.0, 0.5);
    const aactest::EncodedStream stereoAlone = EncodeAlone(stereo, 2);
    const aactest::EncodedStream monoAlone = EncodeAlone(mono, 1);
    ASSERT_FALSE(stereoAlone.failed);
    ASSERT_FALSE(monoAlone.failed);

    constexpr int kThreads = 4;
    std::vector<aactest::EncodedStream> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            results[static_cast<size_t>(i)] = i % 2 == 0 ? EncodeAlone(stereo, 2) : EncodeAlone(mono, 1);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < kThreads; ++i) {
        const aactest::EncodedStream& expected = i % 2 == 0 ? stereoAlone : monoAlone;
        EXPECT_FALSE(results[static_cast<size_t>(i)].failed) << i;
        EXPECT_EQ(results[static_cast<size_t>(i)].frames, expected.frames) << i;
    }
}
