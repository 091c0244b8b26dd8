#include <gtest/gtest.h>

#include "BookPlan.h"
#include "DisplayText.h"

TEST(DisplayText, ControlCharactersAreEscaped)
{
    EXPECT_EQ(EscapeForDisplay(u"Plain \u00e9 \U0001F600 a\\b"), "Plain \xc3\xa9 \xf0\x9f\x98\x80 a\\b");
    EXPECT_EQ(EscapeForDisplay(u"a\tb\nc\rd"), "a\\tb\\nc\\rd");
    EXPECT_EQ(EscapeForDisplay(u"\x1b[31mred\x7f\x9b"), "\\u001B[31mred\\u007F\\u009B");
    // A byte of a file name that is not UTF-8; a pair whose low half lies in
    // the same range stays one character.
    EXPECT_EQ(EscapeForDisplay(u"x\xdc9by"), "x\\x9By");
    EXPECT_EQ(EscapeForDisplay(u"\xd83c\xdc9b"), "\xf0\x9f\x82\x9b");
    // A lone high surrogate does not hide the control after it.
    EXPECT_NE(EscapeForDisplay(u"\xd83d\n").find("\\n"), std::string::npos);
}

TEST(DescribePlan, EveryChapterStaysOneLineOfThreeFields)
{
    sBookPlan plan;
    plan.m_inputs.m_files.push_back({u"/b/01\tx.mp3", u"Title\nwith\x1b]0;owned\x07 break", 1});
    plan.m_details.m_strArtist = u"A\nB";
    plan.m_strCover = u"/b/c\n.png";
    plan.m_strOutput = u"/b/out\r.m4b";
    const std::string text = DescribePlan(plan);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find('\x07'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const std::string chapter = "1\tTitle\\nwith\\u001B]0;owned\\u0007 break\t/b/01\\tx.mp3\n";
    EXPECT_EQ(text.substr(0, text.find("Artist")), "Chapters:\n" + chapter);
    EXPECT_NE(text.find("Artist: A\\nB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Cover: /b/c\\n.png (unreadable: no cover)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Output: /b/out\\r.m4b\n"), std::string::npos) << text;
}
