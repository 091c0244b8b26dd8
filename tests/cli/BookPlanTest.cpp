#include <gtest/gtest.h>

#include <filesystem>

#include "cli/BookPlan.h"
#include "cli/DisplayText.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteText;

namespace {

// Counts the files whose tags were read; every tag stays empty.
TagReader CountingReader(int& reads)
{
    return [&reads](const std::u16string&) {
        ++reads;
        return sTagInfo{};
    };
}

sCliOptions Options(std::vector<std::string> paths)
{
    sCliOptions options;
    options.m_paths = std::move(paths);
    return options;
}

}  // namespace

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

TEST(DescribePlan, EveryChapterStaysOneLineOfFiveFields)
{
    sBookPlan plan;
    plan.m_chapters.push_back({1, 0, 33000000, u"Title\nwith\x1b]0;owned\x07 break", u"/b/01\tx.mp3"});
    plan.m_chapters.push_back({2, std::nullopt, std::nullopt, u"Later", u"/b/02.mp3"});
    plan.m_details[eDetail::Artist] = u"A\nB";
    plan.m_strCover = u"/b/c\n.png";
    plan.m_strOutput = u"/b/out\r.m4b";
    const std::string text = DescribePlan(plan);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find('\x07'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const std::string chapters = "0:00:00.000\t1\t0:00:03.300\tTitle\\nwith\\u001B]0;owned\\u0007 break\t/b/01\\tx.mp3\n"
                                 "unknown\t2\tunknown\tLater\t/b/02.mp3\n";
    EXPECT_EQ(text.substr(0, text.find("Artist")), "Chapters:\n" + chapters);
    EXPECT_NE(text.find("Artist: A\\nB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Cover: /b/c\\n.png (unreadable: no cover)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Output: /b/out\\r.m4b\n"), std::string::npos) << text;
}

// The Nero chapter list, which many players read, holds 255 chapters.
TEST(DescribePlan, AListLongerThanAPlayerHoldsIsWarnedOf)
{
    sBookPlan plan;
    for (int number = 1; number <= 255; ++number)
        plan.m_chapters.push_back({number, number * 10000000ll, 10000000, u"c", u"/b/a.mp3"});
    EXPECT_EQ(DescribePlan(plan).find("Warning"), std::string::npos);
    plan.m_chapters.push_back({256, 2560000000ll, 10000000, u"c", u"/b/a.mp3"});
    EXPECT_NE(DescribePlan(plan).find("\nWarning: 256 chapters: players that read the Nero chapter list show only "
                                      "the first 255\nArtist: "),
              std::string::npos);
}

TEST(PlanBook, MissingBookNameIsReportedBeforeAnyTagIsRead)
{
    TempDir dir;
    WriteText(dir / "01.mp3", "x");
    WriteText(dir / "02.mp3", "x");
    int reads = 0;
    const sBookPlan plan = PlanBook(Options({"01.mp3", "02.mp3"}), FromPath(dir.Path()), CountingReader(reads));
    EXPECT_EQ(plan.m_nExitCode, EXIT_USAGE);
    EXPECT_NE(plan.m_strError.find("-o"), std::string::npos) << plan.m_strError;
    EXPECT_EQ(reads, 0);

    sCliOptions named = Options({"01.mp3", "02.mp3"});
    named.m_output = "book.m4b";
    const sBookPlan withOutput = PlanBook(named, FromPath(dir.Path()), CountingReader(reads));
    EXPECT_EQ(withOutput.m_nExitCode, EXIT_DONE) << withOutput.m_strError;
    EXPECT_GT(reads, 0);
}

TEST(PlanBook, DotDotAfterALinkLeadsWhereTheFileSystemSays)
{
    // "link/.." is the link target's parent (a/b), not the working folder.
    TempDir dir;
    fs::create_directories(dir / "a/b/Book");
    WriteText(dir / "a/b/Book/01.mp3", "x");
    fs::create_directory_symlink(dir / "a/b/Book", dir / "link");
    const std::u16string here = FromPath(dir.Path());
    int reads = 0;

    sBookPlan plan = PlanBook(Options({"link/.."}), here, CountingReader(reads));
    ASSERT_EQ(plan.m_nExitCode, EXIT_DONE) << plan.m_strError;
    EXPECT_EQ(plan.m_strOutput, FromPath(dir / "b.m4b"));
    ASSERT_EQ(plan.m_context.m_files.size(), 1u);
    EXPECT_EQ(plan.m_context.m_files[0].m_strPath, FromPath(fs::canonical(dir / "a/b/Book/01.mp3")));

    sCliOptions options = Options({"link/../Book/"});
    options.m_output = "link/../out.m4b";
    plan = PlanBook(options, here, CountingReader(reads));
    ASSERT_EQ(plan.m_nExitCode, EXIT_DONE) << plan.m_strError;
    EXPECT_EQ(plan.m_strOutput, FromPath(fs::canonical(dir / "a/b") / "out.m4b"));
}

TEST(PlanBook, TrailingDotsAndSeparatorsNameTheFolderItself)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    WriteText(dir / "Book/01.mp3", "x");
    int reads = 0;
    for (const char* given : {"Book", "Book/", "Book/.", "./Book//./"}) {
        const sBookPlan plan = PlanBook(Options({given}), FromPath(dir.Path()), CountingReader(reads));
        ASSERT_EQ(plan.m_nExitCode, EXIT_DONE) << given << ": " << plan.m_strError;
        EXPECT_EQ(plan.m_strOutput, FromPath(dir / "Book.m4b")) << given;
    }
    const sBookPlan here = PlanBook(Options({"."}), FromPath(dir / "Book"), CountingReader(reads));
    ASSERT_EQ(here.m_nExitCode, EXIT_DONE) << here.m_strError;
    EXPECT_EQ(here.m_strOutput, FromPath(dir / "Book/Book.m4b"));
}

TEST(PlanBook, OutputThatIsNoFileNameIsAUsageError)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    fs::create_directories(dir / "out");
    WriteText(dir / "Book/01.mp3", "x");
    int reads = 0;
    for (const char* output : {"", "out", "out/", "new/", ".", "Book/.."}) {
        sCliOptions options = Options({"Book"});
        options.m_output = output;
        const sBookPlan plan = PlanBook(options, FromPath(dir.Path()), CountingReader(reads));
        EXPECT_EQ(plan.m_nExitCode, EXIT_USAGE) << "-o \"" << output << "\"";
        EXPECT_NE(plan.m_strError.find(*output ? "names a folder" : "empty"), std::string::npos) << plan.m_strError;
    }
    EXPECT_EQ(reads, 0);
}

TEST(PlanBook, CoverPictureTooLargeIsAnError)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    WriteText(dir / "Book/01.mp3", "x");
    WriteText(dir / "huge.png", "x");
    fs::resize_file(dir / "huge.png", MAX_COVER_BYTES + 1);  // sparse
    sCliOptions options = Options({"Book"});
    options.m_cover = "huge.png";
    int reads = 0;
    const sBookPlan plan = PlanBook(options, FromPath(dir.Path()), CountingReader(reads));
    EXPECT_EQ(plan.m_nExitCode, EXIT_FAILED);
    EXPECT_NE(plan.m_strError.find("cover picture huge.png is too large"), std::string::npos) << plan.m_strError;
}

TEST(PlanBook, EmptyPathsAreNamedAsSuch)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    WriteText(dir / "Book/01.mp3", "x");
    int reads = 0;
    // An empty path is not taken for the working folder.
    const sBookPlan input = PlanBook(Options({""}), FromPath(dir / "Book"), CountingReader(reads));
    EXPECT_EQ(input.m_nExitCode, EXIT_FAILED);
    EXPECT_NE(input.m_strError.find("empty path"), std::string::npos) << input.m_strError;

    sCliOptions options = Options({"Book"});
    options.m_cover = "";
    const sBookPlan cover = PlanBook(options, FromPath(dir.Path()), CountingReader(reads));
    EXPECT_EQ(cover.m_nExitCode, EXIT_USAGE);
    EXPECT_NE(cover.m_strError.find("--no-cover"), std::string::npos) << cover.m_strError;
    EXPECT_EQ(reads, 0);
}
