#include <gtest/gtest.h>

#include <filesystem>

#include "project/OutputPath.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteText;

namespace {

std::u16string U(const fs::path& path) { return FromPath(path); }

}  // namespace

TEST(OutputPath, AppendsTheBookSuffixOnlyWhenMissing)
{
    EXPECT_EQ(WithBookSuffix(u"/books/Vol. 2"), u"/books/Vol. 2.m4b");
    EXPECT_EQ(WithBookSuffix(u"/books/Book"), u"/books/Book.m4b");
    EXPECT_EQ(WithBookSuffix(u"/books/Book.mp3"), u"/books/Book.mp3.m4b");
    EXPECT_EQ(WithBookSuffix(u"/books.m4b/Book"), u"/books.m4b/Book.m4b");
    EXPECT_EQ(WithBookSuffix(u"/books/Book.m4b"), u"/books/Book.m4b");
    EXPECT_EQ(WithBookSuffix(u"/books/Book.M4B"), u"/books/Book.M4B");
}

TEST(OutputPath, FindsAnInputUnderAnyOfItsNames)
{
    TempDir temp;
    fs::create_directories(temp / "book");
    WriteText(temp / "book" / "01.mp3", "audio");
    WriteText(temp / "book" / "cover.jpg", "picture");
    fs::create_symlink(temp / "book" / "01.mp3", temp / "link.m4b");
    fs::create_hard_link(temp / "book" / "cover.jpg", temp / "hard.m4b");
    const std::vector<std::u16string> inputs{U(temp / "book" / "01.mp3"), u"", U(temp / "book" / "cover.jpg")};

    EXPECT_TRUE(OutputWouldOverwriteInput(U(temp / "book" / "01.mp3"), inputs));
    EXPECT_TRUE(OutputWouldOverwriteInput(U(temp / "book" / ".." / "book" / "./01.mp3"), inputs));
    EXPECT_TRUE(OutputWouldOverwriteInput(U(temp / "link.m4b"), inputs));
    EXPECT_TRUE(OutputWouldOverwriteInput(U(temp / "hard.m4b"), inputs));
    EXPECT_TRUE(OutputWouldOverwriteInput(U(temp / "book" / "cover.jpg"), inputs));

    WriteText(temp / "other.m4b", "an older book");
    EXPECT_FALSE(OutputWouldOverwriteInput(U(temp / "other.m4b"), inputs));
    EXPECT_FALSE(OutputWouldOverwriteInput(U(temp / "new.m4b"), inputs));
    EXPECT_FALSE(OutputWouldOverwriteInput(U(temp / "book" / "01.MP3"), inputs));
    EXPECT_FALSE(OutputWouldOverwriteInput(u"", inputs));
    EXPECT_FALSE(OutputWouldOverwriteInput(U(temp / "book" / "01.mp3"), {}));
}
