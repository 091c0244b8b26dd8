#include <gtest/gtest.h>

#include "project/TagReader.h"

namespace {

// A report shaped like the library's: padded labels, ": ", the value.
const std::u16string REPORT =
    u"General\n"
    u"Complete name                            : /books/Album 3/Genre/01.mp3\n"
    u"Format                                   : MPEG Audio\n"
    u"Album                                    : The Album\n"
    u"Track name                               : Part: One\n"
    u"Album/Performer                          : Band\n"
    u"Performer                                : Reader\n"
    u"Recorded date                            : 2001\n"
    u"\n"
    u"Audio\n"
    u"Format                                   : MPEG Audio\n"
    u"Genre                                    : NotGeneral\n"
    u"Comment                                  : audio comment\n"
    u"\n";

std::u16string Field(std::u16string_view report, std::u16string_view label)
{
    std::u16string value = u"<untouched>";
    ExtractField(report, label, value);
    return value;
}

}  // namespace

TEST(ExtractField, OnlyTheWholeLabelOfALineMatches)
{
    // Tagged with an album artist and a track number only, as ripped
    // audiobooks often are: neither is an album or a track name.
    const std::u16string ripped = u"General\n"
                                  u"Album/Performer                          : Band\n"
                                  u"Track name/Position                      : 3\n";
    EXPECT_EQ(Field(ripped, u"Album"), u"<untouched>");
    EXPECT_EQ(Field(ripped, u"Track name"), u"<untouched>");
    // A longer label on an earlier line does not hide the exact one.
    EXPECT_EQ(Field(REPORT, u"Performer"), u"Reader");
}

TEST(ExtractField, ValueWithColonIsTakenWhole)
{
    EXPECT_EQ(Field(REPORT, u"Track name"), u"Part: One");
}

TEST(ExtractField, SearchIsCaseSensitiveAndMissingLabelsLeaveTheValue)
{
    EXPECT_EQ(Field(REPORT, u"album"), u"<untouched>");
    std::u16string value;
    EXPECT_FALSE(ExtractField(REPORT, u"Publisher", value));
    EXPECT_TRUE(ExtractField(REPORT, u"Album", value));
    EXPECT_EQ(value, u"The Album");
}

TEST(ExtractField, LabelInsideAValueDoesNotCount)
{
    // "Album" and "Genre" first occur in the path on the "Complete name" line.
    EXPECT_EQ(Field(REPORT, u"Album"), u"The Album");
    EXPECT_EQ(Field(CutBeforeAudioSection(REPORT), u"Genre"), u"<untouched>");
}

TEST(ExtractField, CarriageReturnLineEndsAndEdgeValues)
{
    EXPECT_EQ(Field(u"General\r\nAlbum  : X y\r\nGenre : Z\r\n", u"Album"), u"X y");
    EXPECT_EQ(Field(u"Album : last line without end", u"Album"), u"last line without end");
    EXPECT_EQ(Field(u"Album :\nGenre : Z\n", u"Album"), u"");
    EXPECT_EQ(Field(u"Album :", u"Album"), u"");
    EXPECT_EQ(Field(u"Album  :  padded \n", u"Album"), u" padded ");  // never trimmed
    EXPECT_EQ(Field(u"Album without colon\n", u"Album"), u"<untouched>");
}

TEST(TagReport, LabelsAfterTheAudioHeadingAreIgnored)
{
    const sTagInfo tags = ParseTagReport(REPORT);
    EXPECT_EQ(tags.m_details[eDetail::Album], u"The Album");
    EXPECT_EQ(tags.m_strTrackName, u"Part: One");
    EXPECT_EQ(tags.m_details[eDetail::Artist], u"Reader");
    EXPECT_EQ(tags.m_details[eDetail::Year], u"2001");
    EXPECT_EQ(tags.m_details[eDetail::Genre], u"");
    EXPECT_EQ(tags.m_details[eDetail::Comment], u"");
    EXPECT_EQ(tags.m_details[eDetail::Writer], u"");
}

TEST(TagReport, CutKeepsTheLastGeneralLineWhole)
{
    EXPECT_EQ(CutBeforeAudioSection(u"General\nComment : c\n\nAudio\nX : y\n"), u"General\nComment : c\n");
    EXPECT_EQ(CutBeforeAudioSection(u"General\r\nComment : c\r\n\r\nAudio\r\n"), u"General\r\nComment : c\r\n");
    EXPECT_EQ(CutBeforeAudioSection(u"General\nComment : c\n"), u"General\nComment : c\n");
    EXPECT_EQ(ParseTagReport(u"General\nComment : c\n\nAudio\n").m_details[eDetail::Comment], u"c");
    EXPECT_EQ(ParseTagReport(u"General\r\nComment : c\r\n\r\nAudio\r\n").m_details[eDetail::Comment], u"c");
}

TEST(TagReport, EmptyReportGivesEmptyRecord)
{
    const sTagInfo tags = ParseTagReport(u"");
    EXPECT_TRUE(tags.m_details[eDetail::Album].empty() && tags.m_strTrackName.empty() && tags.m_details[eDetail::Artist].empty() &&
                tags.m_details[eDetail::Genre].empty() && tags.m_details[eDetail::Year].empty() && tags.m_details[eDetail::Comment].empty() &&
                tags.m_details[eDetail::Writer].empty());
}
