// Chapters inside files through tavlin-cli, its tag helper and the engine:
// one rule in every container for chapters of no length and without a
// title, and a chapter that the book cannot hold is told, never lost in
// silence.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliSupport.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
namespace ts = testsupport;

namespace {

// A container and how ffmpeg writes chapters A (0-2 s), "Zero" (2-2 s), B
// (2-4 s) and an untitled one (4-6 s) into it.
struct sContainer {
    const char* m_szExtension;
    std::vector<std::string> m_codec;
    bool m_bChapterComments;  // FLAC: Vorbis comments, which state starts only
};

void PrintTo(const sContainer& container, std::ostream* out) { *out << container.m_szExtension; }

std::string Metadata(const sContainer& container)
{
    if (container.m_bChapterComments)
        return ";FFMETADATA1\n"
               "CHAPTER000=00:00:00.000\nCHAPTER000NAME=A\n"
               "CHAPTER001=00:00:02.000\nCHAPTER001NAME=Zero\n"
               "CHAPTER002=00:00:02.000\nCHAPTER002NAME=B\n"
               "CHAPTER003=00:00:04.000\n";
    return ts::FfmetadataChapters({{0, 2000, "A"}, {2000, 2000, "Zero"}, {2000, 4000, "B"}, {4000, 6000, ""}});
}

class CliInnerChapters : public ::testing::TestWithParam<sContainer> {};

}  // namespace

TEST_P(CliInnerChapters, AZeroLengthChapterGivesWayAndAnUntitledOneIsNamedAfterTheFile)
{
    ts::TempDir dir;
    const fs::path file = dir / (std::string("book.") + GetParam().m_szExtension);
    ts::GenerateToneWithMetadata(file, 6.0, Metadata(GetParam()), GetParam().m_codec);
    const std::string path = file.string();
    for (const char* source : {"tag", "filename"}) {
        const sCliResult result = RunCli(dir.Path(), {"--dry-run", "--chapters", source, "-o", "x.m4b", path});
        ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
        const bool fromTags = std::string(source) == "tag";
        // "From File Name": every chapter is the file's name and its number;
        // from tags an untitled chapter is named the same way.
        EXPECT_NE(result.m_strOut.find("Chapters:\n"
                                       "0:00:00.000\t1\t0:00:02.000\t" + std::string(fromTags ? "A" : "book 1") +
                                       "\t" + path + "\n"
                                       "0:00:02.000\t2\t0:00:02.000\t" + std::string(fromTags ? "B" : "book 2") +
                                       "\t" + path + "\n"
                                       "0:00:04.000\t3\t0:00:02.0"),
                  std::string::npos)
            << source << ":\n" << result.m_strOut;
        EXPECT_EQ(result.m_strErr, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, CliInnerChapters,
                         ::testing::Values(sContainer{"m4b", {"-c:a", "aac"}, false},
                                           sContainer{"mp3", {"-c:a", "libmp3lame"}, false},
                                           sContainer{"flac", {"-c:a", "flac"}, true}),
                         [](const testing::TestParamInfo<sContainer>& info) {
                             return std::string(info.param.m_szExtension);
                         });

// An M4B whose chapter track runs past its 6 s of audio.
TEST(CliInnerChapterPastTheAudio, IsToldInTheDryRunAndInTheRunWhichKeepsTheOthers)
{
    ts::TempDir dir;
    ts::GenerateToneWithMetadata(dir / "long.m4b", 6.0,
                                 ts::FfmetadataChapters({{0, 2000, "A"}, {2000, 7000, "B"}, {7000, 9000, "Past"}}),
                                 {"-c:a", "aac"});
    const std::string told = "tavlin-cli: Chapter \"Past\" (0:00:07.000 into long.m4b) is left out of the book: "
                             "the file's audio ends at 0:00:0";

    sCliResult result = RunCli(dir.Path(), {"--dry-run", "-o", "book.m4b", "long.m4b"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr.rfind(told, 0), 0u) << result.m_strErr;  // by the length it states
    EXPECT_EQ(result.m_strErr.find('\n'), result.m_strErr.size() - 1) << "one line";

    result = RunCli(dir.Path(), {"-o", "book.m4b", "long.m4b"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, (dir / "book.m4b").string() + "\n");
    // After the progress lines, by the audio it decoded.
    const size_t at = result.m_strErr.find(told);
    ASSERT_NE(at, std::string::npos) << result.m_strErr;
    EXPECT_EQ(result.m_strErr.find('\n', at), result.m_strErr.size() - 1) << result.m_strErr;
    const auto chapters = ts::ProbeChapters(dir / "book.m4b");
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].title, "A");
    EXPECT_EQ(chapters[1].title, "B");
}

// --chapter-title numbers the chapters as --dry-run lists them, inner ones too.
TEST(CliChapterTitles, ATitleGivenByNumberShowsInTheDryRunAndReachesTheBook)
{
    ts::TempDir dir;
    fs::create_directories(dir / "Book");
    ts::GenerateTone(dir / "Book/1.wav", 1.0, 44100, 1);
    ts::GenerateToneWithMetadata(dir / "Book/2.m4b", 4.0, ts::FfmetadataChapters({{0, 2000, "A"}, {2000, 4000, "B"}}),
                                 {"-c:a", "aac"});
    const std::vector<std::string> titles = {"--chapter-title", "3=Renamed", "--chapter-title=1=First"};
    std::vector<std::string> arguments = titles;
    arguments.insert(arguments.end(), {"--dry-run", "Book"});
    sCliResult result = RunCli(dir.Path(), arguments);
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const std::string m4b = (dir / "Book/2.m4b").string();
    // The silence that fills the WAV's last frame and the M4B's priming open
    // chapter 2; chapter 3 starts 2 s into the M4B's own audio.
    EXPECT_NE(result.m_strOut.find("Chapters:\n0:00:00.000\t1\t0:00:01.000\tFirst\t" + (dir / "Book/1.wav").string() +
                                   "\n0:00:01.000\t2\t0:00:02.044\tA\t" + m4b +
                                   "\n0:00:03.044\t3\t0:00:02.000\tRenamed\t" + m4b + "\n"),
              std::string::npos)
        << result.m_strOut;

    arguments = titles;
    arguments.insert(arguments.end(), {"-q", "Book"});
    result = RunCli(dir.Path(), arguments);
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    std::vector<std::string> inBook;
    for (const ts::ProbedChapter& chapter : ts::ProbeChapters(dir / "Book.m4b"))
        inBook.push_back(chapter.title);
    EXPECT_EQ(inBook, (std::vector<std::string>{"First", "A", "Renamed"}));

    result = RunCli(dir.Path(), {"--chapter-title", "4=Past", "--dry-run", "Book"});
    EXPECT_EQ(result.m_nExitCode, 2);
    EXPECT_NE(result.m_strErr.find("--chapter-title 4=...: the book has 3 chapters"), std::string::npos)
        << result.m_strErr;
}
