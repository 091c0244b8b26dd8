// Which PCM types a decoded stream is offered as, and in which order.
#include <gtest/gtest.h>

#include "decode/Negotiation.h"

namespace {
std::vector<WAVEFORMATEX> Formats(const std::vector<CMediaType>& types)
{
    std::vector<WAVEFORMATEX> formats;
    for (const auto& type : types) {
        EXPECT_EQ(type.majortype, MajorType::Audio);
        EXPECT_EQ(type.subtype, SubType::PCM);
        EXPECT_EQ(type.formattype, FormatType::WaveFormatEx);
        formats.push_back(*type.WaveFormat());
    }
    return formats;
}

void ExpectFormats(const std::vector<CMediaType>& types, const std::vector<WAVEFORMATEX>& expected)
{
    const auto formats = Formats(types);
    ASSERT_EQ(formats.size(), expected.size());
    for (size_t i = 0; i < formats.size(); ++i)
        EXPECT_TRUE(SameFormatBytes(formats[i], expected[i]))
            << "candidate " << i << ": " << formats[i].nSamplesPerSec << " Hz " << formats[i].nChannels << " ch";
}
}  // namespace

TEST(NearestRate, StandardRatesStayAndOthersMoveToTheNearest)
{
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {44100, 44100}, {11025, 11025}, {7350, 7350},   {96000, 96000}, {12345, 12000}, {46000, 44100},
        {47000, 48000}, {14000, 16000}, {100, 7350},    {0, 7350},      {192000, 96000}, {22000, 22050},
    };
    for (const auto& [rate, expected] : cases)
        EXPECT_EQ(NearestStandardAacRate(rate), expected) << rate;
}

TEST(Candidates, FirstFileOffersNativeLayoutThenStereo)
{
    ExpectFormats(CandidateTypes(22050, 1, nullptr), {MakePcm16Format(22050, 1), MakePcm16Format(22050, 2)});
    ExpectFormats(CandidateTypes(44100, 2, nullptr), {MakePcm16Format(44100, 2)});
    // More than two channels: only the stereo downmix.
    ExpectFormats(CandidateTypes(48000, 6, nullptr), {MakePcm16Format(48000, 2)});
}

TEST(Candidates, FirstFileAtAnOddRateIsOfferedAtTheNearestStandardRate)
{
    ExpectFormats(CandidateTypes(12345, 1, nullptr), {MakePcm16Format(12000, 1), MakePcm16Format(12000, 2)});
}

TEST(Candidates, LaterFileAddsTheRequiredFormatLast)
{
    const WAVEFORMATEX book = MakePcm16Format(22050, 1);
    ExpectFormats(CandidateTypes(44100, 2, &book), {MakePcm16Format(44100, 2), book});
    // A later file keeps its own rate in the first candidates.
    const WAVEFORMATEX oddBook = MakePcm16Format(12000, 2);
    ExpectFormats(CandidateTypes(12345, 2, &oddBook), {MakePcm16Format(12345, 2), oddBook});
    // Already among the candidates: offered once.
    const WAVEFORMATEX stereo = MakePcm16Format(44100, 2);
    ExpectFormats(CandidateTypes(44100, 1, &stereo), {MakePcm16Format(44100, 1), stereo});
}

TEST(Candidates, RequiredFormatThatCannotBeProducedIsNotOffered)
{
    WAVEFORMATEX deep = MakePcm16Format(44100, 2);
    deep.wBitsPerSample = 24;
    ExpectFormats(CandidateTypes(48000, 2, &deep), {MakePcm16Format(48000, 2)});
}
