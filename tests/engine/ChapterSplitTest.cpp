// Where a long chapter is cut, decided from a level envelope alone.
#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "engine/ChapterSplit.h"
#include "engine/LevelMeter.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr float kSpeech = 0.1f;  // -10 dBFS
constexpr float kSilent = 1e-6f; // -60 dBFS

// A 60-second chapter cut at 20 s: targets at 20 s and 40 s, each cut within
// 4 s of its target.
struct sCutCase {
    const char* name;
    std::vector<std::pair<double, double>> quiet;  // stretches (seconds) at `quietLevel`
    float quietLevel;
    eSplitMode mode;
    std::vector<double> cuts;  // seconds
};

void PrintTo(const sCutCase& c, std::ostream* out) { *out << c.name; }

std::vector<float> Envelope(const sCutCase& c, uint32_t window)
{
    std::vector<float> levels(60 * kRate / window, kSpeech);
    for (const auto& [from, to] : c.quiet) {
        for (size_t k = static_cast<size_t>(from * kRate / window); k < static_cast<size_t>(to * kRate / window); ++k)
            levels[k] = c.quietLevel;
    }
    return levels;
}

class ChooseCutsTest : public ::testing::TestWithParam<sCutCase> {};

TEST_P(ChooseCutsTest, CutsWhereTheLevelsSay)
{
    const sCutCase& c = GetParam();
    const uint32_t window = LevelWindowSamples(kRate);
    const std::vector<uint64_t> cuts =
        ChooseCuts(Envelope(c, window), window, kRate, 0, 60 * kRate, 20 * kRate, c.mode);
    ASSERT_EQ(cuts.size(), c.cuts.size());
    for (size_t i = 0; i < cuts.size(); ++i)
        EXPECT_NEAR(static_cast<double>(cuts[i]) / kRate, c.cuts[i], 2.0 * window / kRate) << "cut " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Envelopes, ChooseCutsTest,
    ::testing::Values(
        // The middle of the pause near the first target; none near the second.
        sCutCase{"PauseInReach", {{21.0, 21.8}}, kSilent, eSplitMode::Pauses, {21.4, 40.0}},
        // Of two pauses in reach the longer one, though further away.
        sCutCase{"LongestPause", {{19.5, 20.0}, {23.0, 24.0}, {41.0, 41.5}}, kSilent, eSplitMode::Pauses,
                 {23.5, 41.25}},
        // A pause beyond the reach (16 to 24 s) does not draw the cut.
        sCutCase{"PauseOutOfReach", {{25.0, 26.0}, {34.0, 35.5}}, kSilent, eSplitMode::Pauses, {20.0, 40.0}},
        // A silence shorter than a pause: the quietest stretch of a pause's
        // length holds it (of those, the nearest the target).
        sCutCase{"NoPauseQuietestStretch", {{18.0, 18.38}}, kSilent, eSplitMode::Pauses, {18.2, 40.0}},
        // Nothing below -40 dBFS at all: the quietest stretch, not a pause.
        sCutCase{"QuietButNotSilent", {{17.0, 17.6}}, 3e-4f, eSplitMode::Pauses, {17.4, 40.0}},
        // Exact: at the targets, whatever the levels.
        sCutCase{"Exact", {{21.0, 21.8}}, kSilent, eSplitMode::Exact, {20.0, 40.0}}),
    [](const ::testing::TestParamInfo<sCutCase>& info) { return std::string(info.param.name); });

TEST(ChooseCuts, TargetsWithoutLevelsStayWhereTheyAre)
{
    const std::vector<uint64_t> cuts = ChooseCuts({}, 512, kRate, 1000, 1000 + 95 * kRate, 30 * kRate,
                                                  eSplitMode::Pauses);
    EXPECT_EQ(cuts, (std::vector<uint64_t>{1000 + 95 * kRate / 3, 1000 + 95 * kRate * 2 / 3}));
}

TEST(SplitPartCount, AChapterUpToOneAndAHalfLengthsStaysWhole)
{
    EXPECT_EQ(SplitPartCount(150, 100), 1);
    EXPECT_EQ(SplitPartCount(151, 100), 2);
    EXPECT_EQ(SplitPartCount(249, 100), 2);
    EXPECT_EQ(SplitPartCount(251, 100), 3);
}

}  // namespace
