// tavlin-cli --each end to end: a generated library of book folders, the
// real engine, the books read back with ffprobe.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "CliSupport.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
using testsupport::TempDir;

namespace {

// The chapter titles of `book`, in order.
std::vector<std::string> ChapterTitles(const fs::path& book)
{
    const auto probe = Probe(book);
    std::vector<std::string> titles;
    for (int i = 0;; ++i) {
        const auto it = probe.find("chapters.chapter." + std::to_string(i) + ".tags.title");
        if (it == probe.end())
            return titles;
        titles.push_back(it->second);
    }
}

void MakeChapter(const fs::path& file, const std::string& title)
{
    fs::create_directories(file.parent_path());
    MakeTaggedMp3(file, 0.5, {{"title", title}});
}

// "Lib": Alpha of part folders only, Beta with files and a part folder,
// Gamma whose book was made before.
class CliLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeChapter(m_lib / "Alpha/CD10/01.mp3", "Ten");
        MakeChapter(m_lib / "Alpha/CD 2/01.mp3", "Two");
        MakeChapter(m_lib / "Alpha/cd1/01.mp3", "One");
        MakeChapter(m_lib / "Beta/01.mp3", "Start");
        MakeChapter(m_lib / "Beta/Disc 2/01.mp3", "End");
        MakeChapter(m_lib / "Gamma/01.mp3", "Only");
        testsupport::WriteText(m_lib / "Gamma.m4b", kEarlier);
    }

    const std::string kEarlier = "the book of an earlier run";
    TempDir m_dir;
    fs::path m_lib = m_dir / "Lib";
};

}  // namespace

TEST_F(CliLibrary, EveryBookFolderBecomesABookAndExistingBooksAreSkippedUnlessForced)
{
    const sCliResult listed = RunCli(m_dir.Path(), {"--dry-run", "--each", "-o", "out", "Lib"});
    ASSERT_EQ(listed.m_nExitCode, 0) << listed.m_strErr;
    EXPECT_TRUE(Contains(listed.m_strOut, "Book 1 of 3: Alpha\nChapters: 3\n")) << listed.m_strOut;
    EXPECT_TRUE(Contains(listed.m_strOut, "Output: " + (m_dir / "out/Beta.m4b").string() + "\n")) << listed.m_strOut;
    EXPECT_FALSE(fs::exists(m_dir / "out"));

    const sCliResult made = RunCli(m_dir.Path(), {"-q", "--each", "Lib"});
    ASSERT_EQ(made.m_nExitCode, 0) << made.m_strErr;
    // Part folders in the order of their numbers; the folder's own files first.
    EXPECT_EQ(ChapterTitles(m_lib / "Alpha.m4b"), (std::vector<std::string>{"One", "Two", "Ten"}));
    EXPECT_EQ(ChapterTitles(m_lib / "Beta.m4b"), (std::vector<std::string>{"Start", "End"}));
    EXPECT_EQ(testsupport::ReadText(m_lib / "Gamma.m4b"), kEarlier);
    EXPECT_TRUE(Contains(made.m_strOut, "Alpha  3 ")) << made.m_strOut;
    EXPECT_TRUE(Contains(made.m_strOut, "skipped: exists\n")) << made.m_strOut;
    EXPECT_TRUE(Contains(made.m_strOut, "3 books: 2 made, 1 skipped, 0 failed")) << made.m_strOut;

    // Run again: the books just made are not taken for audio of "Lib".
    const sCliResult forced = RunCli(m_dir.Path(), {"-q", "--each", "--force", "Lib"});
    ASSERT_EQ(forced.m_nExitCode, 0) << forced.m_strErr;
    EXPECT_TRUE(Contains(forced.m_strOut, "3 books: 3 made")) << forced.m_strOut;
    EXPECT_EQ(ChapterTitles(m_lib / "Gamma.m4b"), (std::vector<std::string>{"Only"}));
}

TEST_F(CliLibrary, AFailedBookIsReportedAndTheOthersAreMade)
{
    testsupport::WriteText(m_lib / "Alpha/cd1/01.mp3", "this is not audio at all");
    const sCliResult result = RunCli(m_dir.Path(), {"-q", "--each", "Lib"});
    EXPECT_EQ(result.m_nExitCode, 1) << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strErr, "tavlin-cli: Alpha: Can't read file " +
                                              (m_lib / "Alpha/cd1/01.mp3").string() + "\n"))
        << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strOut, "failed: Can't read file")) << result.m_strOut;
    EXPECT_FALSE(fs::exists(m_lib / "Alpha.m4b"));
    EXPECT_EQ(ChapterTitles(m_lib / "Beta.m4b"), (std::vector<std::string>{"Start", "End"}));
}

TEST_F(CliLibrary, CtrlCEndsTheCurrentBookAndStartsNoOther)
{
    fs::remove_all(m_lib / "Beta");
    MakeLongBook(m_lib / "Beta");
    CCliProcess process(m_dir.Path(), {"-q", "--each", "--force", "Lib"});
    ASSERT_TRUE(WaitUntilWritten(process, TemporaryBook(m_lib, "Beta.m4b", process.Pid()), 200000))
        << "the library ended before it could be interrupted";
    process.Signal(SIGINT);
    const sCliResult result = process.Wait();
    EXPECT_EQ(result.m_nExitCode, 130) << result.m_strErr;
    EXPECT_FALSE(Probe(m_lib / "Alpha.m4b").empty());
    // The partial book is kept beside the name, so that a later run makes it.
    EXPECT_FALSE(fs::exists(m_lib / "Beta.m4b"));
    EXPECT_FALSE(Probe(m_lib / "Beta (partial).m4b").empty());
    EXPECT_EQ(testsupport::ReadText(m_lib / "Gamma.m4b"), kEarlier);
    EXPECT_TRUE(Contains(result.m_strOut, "aborted\n")) << result.m_strOut;
    EXPECT_TRUE(Contains(result.m_strOut, "not started\n")) << result.m_strOut;
}

TEST_F(CliLibrary, OptionsForOneBookAreUsageErrors)
{
    testsupport::WriteText(m_dir / "chapters.txt", "0:00 One\n");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--each", "-o", "books.m4b", "Lib"},
          std::vector<std::string>{"--each", "-o", "chapters.txt", "Lib"},
          std::vector<std::string>{"--each", "--chapters-file", "chapters.txt", "Lib"}}) {
        const sCliResult result = RunCli(m_dir.Path(), arguments);
        EXPECT_EQ(result.m_nExitCode, 2) << testing::PrintToString(arguments) << result.m_strErr;
    }
    EXPECT_FALSE(fs::exists(m_lib / "Alpha.m4b"));
}
