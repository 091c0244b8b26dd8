#include <gtest/gtest.h>

#include "project/CoverChoice.h"

using Paths = std::vector<std::u16string>;

TEST(CoverChoice, CoverWordWinsWhateverItsPosition)
{
    CCoverChoice cover;
    cover.TakePictures({u"/b/back.jpg", u"/b/Cover.JPG", u"/b/front.jpg"});
    EXPECT_EQ(cover.LineTexts(), (Paths{u"Cover.JPG", u"back.jpg", u"front.jpg"}));
    EXPECT_EQ(cover.Selected(), 0);
    EXPECT_EQ(cover.GetCoverPath(), u"/b/Cover.JPG");

    cover.TakePictures({u"/b/a.jpg", u"/b/z-cover.png"});
    EXPECT_EQ(cover.Selected(), 1);
}

TEST(CoverChoice, AlbumWordIsTheSecondChoice)
{
    CCoverChoice cover;
    cover.TakePictures({u"/p/a.jpg", u"/p/my album.png", u"/p/b.jpg"});
    EXPECT_EQ(cover.GetCoverPath(), u"/p/my album.png");
    // "cover" beats "album" even on a later line.
    EXPECT_EQ(PreselectCover({u"/p/Album.png", u"/p/covers.jpg"}), 1);
}

TEST(CoverChoice, OtherwiseLineZero)
{
    CCoverChoice cover;
    cover.TakePictures({u"/p/y.png", u"/p/x.png"});
    EXPECT_EQ(cover.Selected(), 0);
    EXPECT_EQ(cover.GetCoverPath(), u"/p/x.png");
    EXPECT_EQ(PreselectCover({}), -1);
}

TEST(CoverChoice, WordIsSearchedInTheFileNameOnly)
{
    EXPECT_EQ(FindImage({u"/Cover Art/a.png", u"/x/b.png"}, u"cover"), -1);
    EXPECT_EQ(FindImage({u"/x/a.png", u"/x/FrontCOVER.bmp"}, u"cover"), 1);
}

TEST(CoverChoice, NoPicturesKeepTheField)
{
    CCoverChoice cover;
    cover.TakePictures({u"/p/x.png"});
    cover.TakePictures({});
    EXPECT_EQ(cover.GetCoverPath(), u"/p/x.png");
}

TEST(CoverChoice, TypedOrBrowsedTextWinsOverTheSelection)
{
    CCoverChoice cover;
    cover.TakePictures({u"/p/cover.png", u"/p/x.png"});
    cover.SetText(u"/elsewhere/pic.gif");
    EXPECT_EQ(cover.Selected(), -1);
    EXPECT_EQ(cover.GetCoverPath(), u"/elsewhere/pic.gif");
    EXPECT_EQ(cover.Paths().size(), 2u);  // browsing adds no line

    cover.Select(1);
    EXPECT_EQ(cover.Text(), u"x.png");
    EXPECT_EQ(cover.GetCoverPath(), u"/p/x.png");

    cover.Reset();
    EXPECT_TRUE(cover.Paths().empty());
    EXPECT_EQ(cover.GetCoverPath(), u"");
}
