// The chapter sample layout and the progress estimate.
#include <gtest/gtest.h>

#include "engine/BookWriter.h"
#include "engine/ChapterSample.h"

namespace {

TEST(ChapterSampleTest, ThreeLetterTitleGivesThe42ByteLayout)
{
    const std::vector<uint8_t> expected = {0x00, 0x08, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00,
                                           0x00, 0x00, 0x0C, 0x65, 0x6E, 0x63, 0x64, 0x00, 0x00, 0x01, 0x00,
                                           0x00, 0x00, 0x00, 0x14, 0x6F, 0x72, 0x69, 0x67, 0x00, 0x00, 0x01,
                                           0x00, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
    EXPECT_EQ(BuildChapterSample(u"abc"), expected);
}

TEST(ChapterSampleTest, EmptyTitleGivesThe30ByteLayout)
{
    const auto sample = BuildChapterSample(u"");
    ASSERT_EQ(sample.size(), 30u);
    EXPECT_EQ(sample[0], 0x00);
    EXPECT_EQ(sample[1], 0x02);
    EXPECT_EQ((std::vector<uint8_t>(sample.begin() + 16, sample.begin() + 20)),
              (std::vector<uint8_t>{0, 0, 0, 0x0E}));
}

TEST(ChapterSampleTest, HugeTitlesAreCutToTheLengthFieldWithoutSplittingAPair)
{
    const std::u16string huge(40000, u'x');
    const auto sample = BuildChapterSample(huge);
    EXPECT_EQ(sample.size(), 30u + 4u * kMaxChapterTitleUnits);
    EXPECT_EQ((sample[0] << 8) | sample[1], static_cast<int>(2 * kMaxChapterTitleUnits + 2));

    std::u16string pairs(kMaxChapterTitleUnits - 1, u'y');
    pairs += u"\U0001F600\U0001F600";  // a pair straddles the limit
    const std::u16string cut = FitChapterTitle(pairs);
    EXPECT_EQ(cut.size(), kMaxChapterTitleUnits - 1);
    EXPECT_EQ(FitChapterTitle(u"short"), u"short");
}

TEST(ProgressEstimateTest, ScalesTheKnownPlayingTimeBySize)
{
    EXPECT_EQ(EstimateTotal(100, 1000, 3000), 300u);  // a third of the bytes opened
    EXPECT_EQ(EstimateTotal(100, 1000, 1000), 100u);  // all opened: exact sum
    EXPECT_EQ(EstimateTotal(100, 0, 0), 100u);        // sizes unknown: plain sum
    EXPECT_EQ(EstimateTotal(0, 1000, 5000), 0u);
    EXPECT_EQ(EstimateTotal(7, 3, 10), 7u + 16u);     // 7/3*7 = 16.33, truncated
}

}  // namespace
