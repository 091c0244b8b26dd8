// The check of copied AAC frames against FFmpeg's decoder, on frames of a
// file generated with the ffmpeg tool.
#include <gtest/gtest.h>

#include "decode/AacFrameCheck.h"
#include "tests/support/TestSupport.h"

namespace {

using Frame = std::vector<uint8_t>;

class AacFrameCheckTest : public ::testing::TestWithParam<int> {};

TEST_P(AacFrameCheckTest, TellsFramesFromBytesThatAreNoneAndMakesSilenceThatDecodes)
{
    testsupport::TempDir dir;
    const auto file = dir / "tone.m4a";
    testsupport::GenerateTone(file, 0.5, 44100, GetParam(), 440, {"-c:a", "aac", "-b:a", "96k"});
    const std::optional<sAacStream> stream = ProbeAacStream(file.string());
    ASSERT_TRUE(stream);
    CAacFrameReader reader;
    ASSERT_TRUE(reader.Open(file.string()));
    std::vector<Frame> frames;
    while (reader.Next() == CAacFrameReader::ReadResult::Frame)
        frames.emplace_back(reader.Data(), reader.Data() + reader.Size());
    ASSERT_GT(frames.size(), 8u);

    Frame joined = frames[3];
    joined.insert(joined.end(), frames[4].begin(), frames[4].end());
    Frame foreign = frames[5];
    foreign[0] = 0x22;  // a channel pair element numbered 1: in no mono or stereo configuration
    const Frame truncated(frames[7].begin(), frames[7].begin() + 3);
    const Frame silence = SilentAacFrame(*stream);
    // In the order a copy meets them: the decoder carries on after each.
    const std::vector<std::pair<const Frame*, bool>> cases = {
        {&frames[0], true}, {&frames[1], true}, {&joined, false},    {&foreign, false},  {&silence, true},
        {&silence, true},   {&frames[6], true}, {&truncated, false}, {&frames[8], true}};
    CAacFrameCheck check(*stream);
    ASSERT_TRUE(check.IsOpen());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(check.Decodes(cases[i].first->data(), static_cast<int>(cases[i].first->size())), cases[i].second)
            << i;
}

INSTANTIATE_TEST_SUITE_P(Channels, AacFrameCheckTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 1 ? "Mono" : "Stereo");
                         });

}  // namespace
