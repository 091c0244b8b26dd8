#include <gtest/gtest.h>

#include "aac/AacEncoder.h"
#include "cli/CliOptions.h"

namespace {

sCliParse Parse(std::vector<std::string> arguments)
{
    return ParseCommandLine(arguments);
}

}  // namespace

TEST(CliOptions, EveryOptionInBothSpellings)
{
    const sCliParse parse = Parse({"-o", "out.m4b", "--chapters=filename", "--artist", "A", "--writer=W", "--album",
                                   "", "--year", "1999", "--genre", "G", "--comment=x=y", "--cover", "c.png",
                                   "--bitrate", "48000", "--sheet-encoding=CP1251", "--each", "--force", "--dry-run", "-q",
                                   "--chapter-title", "2=A = B", "--chapter-title=10=C", "Book", "extra.mp3"});
    ASSERT_EQ(parse.m_action, eCliAction::Convert) << parse.m_strError;
    const sCliOptions& o = parse.m_options;
    EXPECT_EQ(o.m_output, "out.m4b");
    EXPECT_EQ(o.m_nChapterMode, 0);
    EXPECT_EQ(o.m_details[size_t(eDetail::Artist)], "A");
    EXPECT_EQ(o.m_details[size_t(eDetail::Writer)], "W");
    EXPECT_EQ(o.m_details[size_t(eDetail::Album)], "");  // set, and empty
    EXPECT_EQ(o.m_details[size_t(eDetail::Year)], "1999");
    EXPECT_EQ(o.m_details[size_t(eDetail::Genre)], "G");
    EXPECT_EQ(o.m_details[size_t(eDetail::Comment)], "x=y");
    EXPECT_EQ(o.m_cover, "c.png");
    EXPECT_EQ(o.m_bitrate, 48000ul);
    EXPECT_EQ(o.m_sheetEncoding, "CP1251");
    EXPECT_EQ(o.m_chapterTitles, (std::vector<std::pair<int, std::string>>{{2, "A = B"}, {10, "C"}}));
    EXPECT_TRUE(o.m_bDryRun && o.m_bQuiet && o.m_bEach && o.m_bForce);
    EXPECT_EQ(o.m_paths, (std::vector<std::string>{"Book", "extra.mp3"}));
}

TEST(CliOptions, DefaultsLeaveDetailsUnset)
{
    const sCliParse parse = Parse({"Book"});
    ASSERT_EQ(parse.m_action, eCliAction::Convert);
    EXPECT_EQ(parse.m_options.m_nChapterMode, 1);
    EXPECT_FALSE(parse.m_options.m_details[size_t(eDetail::Artist)].has_value());
    EXPECT_FALSE(parse.m_options.m_output.has_value());
    EXPECT_FALSE(parse.m_options.m_bitrate.has_value());
}

TEST(CliOptions, DoubleDashEndsOptions)
{
    const sCliParse parse = Parse({"--", "-odd name.mp3", "--quiet"});
    ASSERT_EQ(parse.m_action, eCliAction::Convert);
    EXPECT_EQ(parse.m_options.m_paths, (std::vector<std::string>{"-odd name.mp3", "--quiet"}));
    EXPECT_FALSE(parse.m_options.m_bQuiet);
}

TEST(CliOptions, HelpAndVersionWinOverEverythingAfterThem)
{
    EXPECT_EQ(Parse({"--help"}).m_action, eCliAction::Help);
    EXPECT_EQ(Parse({"Book", "-h"}).m_action, eCliAction::Help);
    EXPECT_EQ(Parse({"--version"}).m_action, eCliAction::Version);
}

TEST(CliOptions, UsageErrors)
{
    const std::vector<std::vector<std::string>> bad{
        {},
        {"-q"},
        {"--chapters", "title", "Book"},
        {"--bitrate", "0", "Book"},
        {"--bitrate", "12k", "Book"},
        {"--bitrate", "-5", "Book"},
        {"--unknown", "Book"},
        {"Book", "-o"},
        {"--quiet=yes", "Book"},
        {"--cover", "c.png", "--no-cover", "Book"},
        {"-o", "-", "Book"},  // the book cannot go to standard output
        {"--sheet-encoding", "NO-SUCH-CODE-PAGE", "Book"},
        {"--chapter-title", "Title", "Book"},
        {"--chapter-title", "0=Title", "Book"},
        {"--chapter-title", "x=Title", "Book"},
        {"--chapter-title", "3=", "Book"},
        {"--chapter-title", "3=  ", "Book"},
        {"--force", "Book"},  // a single book always replaces its file
        {"--split-chapters", "20", "Book"},  // no unit
        {"--split-chapters", "30m1h", "Book"},  // units out of order
        {"--split-chapters", "5s", "Book"},  // shorter than 10 s
        {"--split-chapters", "20m,loud", "Book"},
    };
    for (const auto& arguments : bad) {
        const sCliParse parse = Parse(arguments);
        EXPECT_EQ(parse.m_action, eCliAction::UsageError) << testing::PrintToString(arguments);
        EXPECT_FALSE(parse.m_strError.empty());
    }
}

TEST(CliOptions, SplitChaptersTakesALengthAndHowToCut)
{
    constexpr int64_t kSecond = 10000000;
    const sChapterSplit pauses = Parse({"--split-chapters", "1h30m", "Book"}).m_options.m_split;
    EXPECT_EQ(pauses.m_eMode, eSplitMode::Pauses);
    EXPECT_EQ(pauses.m_llLength, 5400 * kSecond);
    const sChapterSplit exact = Parse({"--split-chapters=90s,exact", "Book"}).m_options.m_split;
    EXPECT_EQ(exact.m_eMode, eSplitMode::Exact);
    EXPECT_EQ(exact.m_llLength, 90 * kSecond);
    EXPECT_FALSE(Parse({"Book"}).m_options.m_split.Splits());
}

TEST(CliOptions, BitrateOutsideTheEncodersRangeIsAUsageError)
{
    // Below the minimum or above the limit at 96 kHz the encoder refuses the
    // rate and would fall back to its default.
    const unsigned long lowest = aac::MinBitRatePerChannel();
    const unsigned long highest = aac::MaxBitRatePerChannel(96000);
    EXPECT_EQ(Parse({"--bitrate", std::to_string(lowest), "Book"}).m_options.m_bitrate, lowest);
    EXPECT_EQ(Parse({"--bitrate", std::to_string(highest), "Book"}).m_options.m_bitrate, highest);
    const std::string range = std::to_string(lowest) + " to " + std::to_string(highest);
    for (unsigned long refused : {1ul, lowest - 1, highest + 1, 999999999ul}) {
        const sCliParse parse = Parse({"--bitrate", std::to_string(refused), "Book"});
        EXPECT_EQ(parse.m_action, eCliAction::UsageError) << refused;
        EXPECT_NE(parse.m_strError.find(range), std::string::npos) << parse.m_strError;
    }
    EXPECT_NE(HelpText().find(range), std::string::npos);
}
