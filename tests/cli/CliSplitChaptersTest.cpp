// Long chapters cut into parts by tavlin-cli --split-chapters: at the pauses
// that the units measured while encoding, on a file without pauses all the
// same, and after an abort only where the book's audio is.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
namespace ts = testsupport;

namespace {

// A tone that pauses for a second every 7 s ([6, 7), [13, 14), ...), or
// never: mono 22.05 kHz, made with ffmpeg's expression source.
void MakeTone(const fs::path& file, int seconds, bool pauses, const std::vector<std::string>& codec = {})
{
    const std::string tone = "0.5*sin(2*PI*440*t)";
    const std::string expression = pauses ? "if(lt(mod(t\\,7)\\,6)\\," + tone + "\\,0)" : tone;
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "aevalsrc=" + expression + ":s=22050:d=" + std::to_string(seconds)};
    argv.insert(argv.end(), codec.begin(), codec.end());
    argv.push_back(file.string());
    const auto made = ts::Run(argv);
    ASSERT_EQ(made.exitCode, 0) << made.output;
}

// Whether a time lies inside one of MakeTone's pauses, away from its edges.
bool InPause(double seconds)
{
    const double into = std::fmod(seconds, 7.0);
    return into > 6.1 && into < 6.9;
}

std::string PartTitle(size_t index)
{
    return index == 0 ? "tone" : "Part " + std::to_string(index + 1);
}

// The file, and whether it pauses; an AAC-LC file's frames are copied, and
// its levels measured as its frames are decoded for checking.
struct sSplitCase {
    const char* m_szName;
    bool m_bPauses;
    const char* m_szFile;
    std::vector<std::string> m_codec;
};

void PrintTo(const sSplitCase& c, std::ostream* out) { *out << c.m_szName; }

class CliSplitChapters : public ::testing::TestWithParam<sSplitCase> {};

// 80 s cut at 20 s: four parts, each cut within 4 s of its target (20, 40,
// 60 s), in a pause where the file has one there (20.5, 41.5, 62.5 s).
TEST_P(CliSplitChapters, CutsALongChapterIntoPartsAtItsPauses)
{
    const bool pauses = GetParam().m_bPauses;
    const std::string file = GetParam().m_szFile;
    ts::TempDir dir;
    MakeTone(dir / file, 80, pauses, GetParam().m_codec);
    const sCliResult listed = RunCli(dir.Path(), {"--dry-run", "--split-chapters", "20s", file});
    EXPECT_NE(listed.m_strOut.find("\t(cut into 4 parts at pauses during conversion)\n"), std::string::npos)
        << listed.m_strOut;

    const sCliResult result = RunCli(dir.Path(), {"-q", "--split-chapters", "20s", "-o", "book.m4b", file});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const auto chapters = ts::ProbeChapters(dir / "book.m4b");
    ASSERT_EQ(chapters.size(), 4u);
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i].title, PartTitle(i));
        if (i == 0)
            continue;
        EXPECT_NEAR(chapters[i].start, 20.0 * static_cast<double>(i), 4.0) << "part " << i + 1;
        if (pauses) {
            EXPECT_TRUE(InPause(chapters[i].start)) << "part " << i + 1 << " starts at " << chapters[i].start;
        }
    }
    EXPECT_NEAR(chapters.back().end, ts::ProbeFormat(dir / "book.m4b").duration, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Tones, CliSplitChapters,
                         ::testing::Values(sSplitCase{"WithPauses", true, "tone.wav", {}},
                                           sSplitCase{"WithoutAnyPause", false, "tone.wav", {}},
                                           sSplitCase{"CopiedWithPauses", true, "tone.m4a", {"-c:a", "aac"}}),
                         [](const ::testing::TestParamInfo<sSplitCase>& info) {
                             return std::string(info.param.m_szName);
                         });

TEST(CliSplitChaptersAbort, LeavesAReadableBookWithThePartsOfWhatWasWritten)
{
    ts::TempDir dir;
    MakeTone(dir / "tone.wav", 480, true);
    CCliProcess process(dir.Path(), {"-q", "--split-chapters", "30s", "-o", "book.m4b", "tone.wav"});
    // About 50 s of audio at 64 kbit/s: the first part (up to 36 s) is in it.
    ASSERT_TRUE(WaitUntilWritten(process, TemporaryBook(dir.Path(), "book.m4b", process.Pid()), 400000))
        << "the conversion ended before it could be interrupted";
    process.Signal(SIGINT);
    EXPECT_EQ(process.Wait().m_nExitCode, 130);

    const fs::path book = dir / "book.m4b";
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(book, &errors)) << errors;
    const double duration = ts::ProbeFormat(book).duration;
    EXPECT_LT(duration, 470.0);
    const auto chapters = ts::ProbeChapters(book);
    ASSERT_FALSE(chapters.empty());
    // The parts whose audio is all in the book, from its start, cut where
    // they would have been in the whole book.
    EXPECT_EQ(chapters.front().start, 0.0);
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i].title, PartTitle(i));
        if (i > 0) {
            EXPECT_EQ(chapters[i].start, chapters[i - 1].end);
            EXPECT_TRUE(InPause(chapters[i].start)) << "part " << i + 1 << " starts at " << chapters[i].start;
        }
    }
    EXPECT_LE(chapters.back().end, duration);
}

}  // namespace
