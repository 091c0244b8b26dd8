#include <gtest/gtest.h>

#include "project/BatchNames.h"
#include "project/PathText.h"

using Paths = std::vector<std::u16string>;

TEST(BatchNames, SortIsOrdinalOverWholePaths)
{
    Paths paths{u"/b/a.mp3", u"/b/Track 2.mp3", u"/b/B.mp3", u"/b/Track 10.mp3", u"/a/z.mp3"};
    SortPathsOrdinal(paths);
    EXPECT_EQ(paths, (Paths{u"/a/z.mp3", u"/b/B.mp3", u"/b/Track 10.mp3", u"/b/Track 2.mp3", u"/b/a.mp3"}));
}

TEST(BatchNames, SortComparesCodeUnitsAboveAscii)
{
    // U+00E9 (é) sorts after every ASCII letter and before U+0100.
    Paths paths{u"/\u0100.mp3", u"/\u00e9.mp3", u"/z.mp3"};
    SortPathsOrdinal(paths);
    EXPECT_EQ(paths, (Paths{u"/z.mp3", u"/\u00e9.mp3", u"/\u0100.mp3"}));
}

TEST(BatchNames, ClashIgnoresCaseOfLastComponentOnly)
{
    EXPECT_FALSE(HasNameClash({u"/x/01.mp3", u"/x/02.mp3"}));
    EXPECT_TRUE(HasNameClash({u"/CD1/01.mp3", u"/CD2/01.mp3"}));
    EXPECT_TRUE(HasNameClash({u"/a/Intro.MP3", u"/b/intro.mp3"}));
    EXPECT_TRUE(HasNameClash({u"/a/\u00c9t\u00e9.mp3", u"/b/\u00e9T\u00c9.mp3"}));
    EXPECT_TRUE(HasNameClash({u"/same/01.mp3", u"/same/01.mp3"}));
    EXPECT_FALSE(HasNameClash({u"/CD/01.mp3", u"/01/CD.mp3"}));
}

TEST(BatchNames, CommonPrefixCountsCharactersCaseInsensitively)
{
    EXPECT_EQ(CommonPrefixLength(100, u"/book/CD1/01.mp3", u"/book/CD2/01.mp3"), 8u);
    EXPECT_EQ(CommonPrefixLength(100, u"/Book/cd1", u"/book/CD2"), 8u);
    EXPECT_EQ(CommonPrefixLength(3, u"/book/CD1", u"/book/CD2"), 3u);
    EXPECT_EQ(CommonPrefixLength(100, u"/ab", u"/abc"), 3u);
    EXPECT_EQ(CommonPrefixLength(100, u"x", u"y"), 0u);
}

TEST(BatchNames, CommonPrefixKeepsSurrogatePairsWhole)
{
    // U+1F600 and U+1F601 share the high surrogate D83D.
    EXPECT_EQ(CommonPrefixLength(100, u"/a/\U0001F600/1.mp3", u"/a/\U0001F601/1.mp3"), 3u);
    EXPECT_EQ(CommonPrefixLength(4, u"/a/\U0001F600/1.mp3", u"/a/\U0001F600/2.mp3"), 3u);  // the limit cuts the pair
    EXPECT_EQ(CommonPrefixLength(5, u"/a/\U0001F600/1.mp3", u"/a/\U0001F600/2.mp3"), 5u);
    EXPECT_EQ(CommonPrefixLength(0, u"\U0001F600", u"\U0001F601"), 0u);
    EXPECT_EQ(CommonPrefixLength(0, u"/a", u"/b"), 0u);
    EXPECT_EQ(MakeBatchNames({u"/a/\U0001F600/1.mp3", u"/a/\U0001F601/1.mp3"}),
              (Paths{u"\U0001F600/1.mp3", u"\U0001F601/1.mp3"}));
}

TEST(BatchNames, SortIsByCodeUnitsNotCodePoints)
{
    // U+1F600 is D83D DE00 in UTF-16, below U+FF21, although its code point
    // is higher.
    Paths paths{u"/\uFF21.mp3", u"/\U0001F600.mp3"};
    SortPathsOrdinal(paths);
    EXPECT_EQ(paths, (Paths{u"/\U0001F600.mp3", u"/\uFF21.mp3"}));
}

TEST(BatchNames, CdFoldersGiveRelativeNames)
{
    EXPECT_EQ(MakeBatchNames({u"/book/CD1/01.mp3", u"/book/CD2/01.mp3"}), (Paths{u"1/01.mp3", u"2/01.mp3"}));
}

TEST(BatchNames, PrefixShrinksOverTheWholeBatch)
{
    // The third path shortens the common prefix from "/b/CD" to "/b/".
    EXPECT_EQ(MakeBatchNames({u"/b/CD1/01.mp3", u"/b/CD2/01.mp3", u"/b/X/02.mp3"}),
              (Paths{u"CD1/01.mp3", u"CD2/01.mp3", u"X/02.mp3"}));
}

TEST(BatchNames, WithoutClashNamesAreFileNames)
{
    EXPECT_EQ(MakeBatchNames({u"/one/01.mp3", u"/two/02.mp3"}), (Paths{u"01.mp3", u"02.mp3"}));
}

TEST(BatchNames, NamesNeverComeOutEmpty)
{
    EXPECT_EQ(MakeBatchNames({u"/x/01.mp3", u"/x/01.mp3"}), (Paths{u"01.mp3", u"01.mp3"}));
    EXPECT_EQ(MakeBatchNames({u"/x/Ab.mp3", u"/x/aB.mp3"}), (Paths{u"Ab.mp3", u"aB.mp3"}));
}

TEST(PathText, ExtensionAndNameCutting)
{
    EXPECT_EQ(RemoveExtension(u"a.b.mp3"), u"a.b");
    EXPECT_EQ(RemoveExtension(u"noext"), u"noext");
    EXPECT_EQ(RemoveExtension(u"1/01.mp3"), u"1/01");
    EXPECT_EQ(ExtensionOf(u"/dir.v2/file"), u"");
    EXPECT_EQ(ExtensionOf(u"/dir/a.b.MP3"), u".MP3");
    EXPECT_EQ(LastPathComponent(u"/dir/a.mp3"), u"a.mp3");
    EXPECT_EQ(JoinPath(u"/dir/", u"a"), u"/dir/a");
    EXPECT_EQ(JoinPath(u"/dir", u"a"), u"/dir/a");
}

TEST(PathText, CaseMappingCoversNonAsciiLetters)
{
    EXPECT_EQ(UpperCaseUnit(u'\u00e9'), u'\u00c9');
    EXPECT_EQ(UpperCaseUnit(u'\u0436'), u'\u0416');  // Cyrillic zhe
    EXPECT_EQ(LowerCaseUnit(u'C'), u'c');
    EXPECT_EQ(UpperCaseUnit(u'\xd83d'), u'\xd83d');  // a lone surrogate stays
    EXPECT_TRUE(EqualsIgnoreCase(u".JpG", u".jpg"));
    EXPECT_FALSE(EqualsIgnoreCase(u".jpg", u".jpeg"));
}
