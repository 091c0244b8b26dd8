// Chapter sheets dropped with their audio: the chapters they give the file
// they name, and the problems that stop a conversion, each naming its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "project/BookProject.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteText;

namespace {

constexpr int64_t kSecond = 10000000;  // 100 ns units

struct sChapterModeGuard {
    int m_nSaved = g_nChapterMode;
    ~sChapterModeGuard() { g_nChapterMode = m_nSaved; }
};

// A folder "Book" with book.wav (70 minutes long, by the chapter reader; no
// tags) and the sheet book.cue.
class ChapterSheetTest : public ::testing::Test {
protected:
    void DropWithSheet(const std::string& sheet)
    {
        fs::create_directories(m_dir / "Book");
        WriteText(m_dir / "Book/book.wav", "x");
        WriteText(m_dir / "Book/book.cue", sheet);
        m_project.Drop({FromPath(m_dir / "Book")});
    }
    std::u16string Sheet() const { return FromPath(m_dir / "Book/book.cue"); }

    TempDir m_dir;
    sChapterModeGuard m_modeGuard;
    CBookProject m_project{[](const std::u16string&) { return sTagInfo{}; },
                           [](const std::u16string&) { return sFileChapters{70 * 60 * kSecond, {}}; }};
};

}  // namespace

TEST_F(ChapterSheetTest, CueTracksBecomeTheChaptersOfItsFileAtTheirFrames)
{
    DropWithSheet("REM GENRE Speech\r\n"
                  "PERFORMER \"Ann Reader\"\r\n"
                  "TITLE \"The Book\"\r\n"
                  "FILE \"book.wav\" WAVE\r\n"
                  "  TRACK 01 AUDIO\r\n"
                  "    TITLE \"Opening\"\r\n"
                  "    INDEX 01 00:00:00\r\n"
                  "  TRACK 02 AUDIO\r\n"
                  "    TITLE \"Middle\"\r\n"
                  "    INDEX 00 01:01:00\r\n"
                  "    INDEX 01 01:02:37\r\n"
                  "  TRACK 03 AUDIO\r\n"
                  "    INDEX 01 02:00:74\r\n"
                  "  TRACK 04 AUDIO\r\n"
                  "    INDEX 01 62:10:01\r\n"
                  "    TITLE \"End\"\r\n");
    EXPECT_TRUE(m_project.ChapterProblems().empty()) << ToUtf8(m_project.ChapterProblems().front());
    ASSERT_EQ(m_project.Rows().size(), 1u);
    // The file has no tags: the sheet's performer and title fill in.
    EXPECT_EQ(m_project.Details().m_strArtist, u"Ann Reader");
    EXPECT_EQ(m_project.Details().m_strAlbum, u"The Book");

    g_nChapterMode = CHAPTERS_FROM_TAG;
    const sItem& row = *m_project.Rows().front();
    EXPECT_EQ(row.GetColumnText(1), u"Opening (4 chapters)");
    const std::vector<sInputFile> inputs = m_project.BuildInputs().m_files;
    ASSERT_EQ(inputs.size(), 1u);
    ASSERT_EQ(inputs[0].m_chapters.size(), 4u);
    // mm:ss:ff with 75 frames a second, to the nearest 100 ns.
    const int64_t starts[] = {0, 62 * kSecond + 4933333, 120 * kSecond + 9866667, 3730 * kSecond + 133333};
    const std::u16string titles[] = {u"Opening", u"Middle", u"book 3", u"End"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(inputs[0].m_chapters[i].m_llStart, starts[i]) << i;
        EXPECT_EQ(inputs[0].m_chapters[i].m_strTitle, titles[i]) << i;
    }

    g_nChapterMode = CHAPTERS_FROM_FILENAME;
    EXPECT_EQ(row.GetColumnText(1), u"book 1 (4 chapters)");
    EXPECT_EQ(m_project.BuildInputs().m_files[0].m_chapters[3].m_strTitle, u"book 4");
}

struct sBadSheet {
    const char* m_szSheet;
    const char16_t* m_szProblem;  // after the sheet's path
};

class BadSheetTest : public ChapterSheetTest, public ::testing::WithParamInterface<sBadSheet> {};

TEST_P(BadSheetTest, IsNamedWithItsLineUntilTheAudioComesAgain)
{
    DropWithSheet(GetParam().m_szSheet);
    ASSERT_EQ(m_project.ChapterProblems().size(), 1u);
    EXPECT_EQ(m_project.ChapterProblems().front(), Sheet() + GetParam().m_szProblem);
    // The audio still makes its row; dropping it again without the sheet
    // clears the problem.
    EXPECT_EQ(m_project.Rows().size(), 1u);
    m_project.Drop({FromPath(m_dir / "Book/book.wav")});
    EXPECT_TRUE(m_project.ChapterProblems().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, BadSheetTest,
    ::testing::Values(
        sBadSheet{"FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                  "    INDEX 01 00:10:75\n",
                  u", line 5: \"INDEX 01 00:10:75\" is not INDEX nn mm:ss:ff (75 frames a second)"},
        sBadSheet{"FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:10:00\n  TRACK 02 AUDIO\n"
                  "    INDEX 01 00:05:00\n",
                  u", line 5: chapters out of order: 0:00:05.000 is not after 0:00:10.000 (line 3)"},
        sBadSheet{"FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                  "    INDEX 01 80:00:00\n",
                  u", line 5: 1:20:00.000 is past the end of \"book.wav\" (1:10:00.000)"},
        sBadSheet{"TITLE \"x\"\nFILE \"gone.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
                  u", line 2: FILE \"gone.wav\" names a missing file"}));

namespace {

// A way out of a sheet's problem, taken once the sheet is mended, while the
// folder's other file keeps its row.
struct sWayOut {
    const char* m_szName;
    void (*m_pTake)(CBookProject& project, const fs::path& book);
    std::vector<std::u16string> m_rowsAfter;  // each row's chapter column
};

void PrintTo(const sWayOut& way, std::ostream* out)
{
    *out << way.m_szName;
}

class SheetProblemWayOutTest : public ChapterSheetTest, public ::testing::WithParamInterface<sWayOut> {};

}  // namespace

TEST_P(SheetProblemWayOutTest, ClearsTheProblemWhileOtherRowsStay)
{
    sChapterModeGuard modeGuard;
    g_nChapterMode = CHAPTERS_FROM_TAG;
    fs::create_directories(m_dir / "Book");
    WriteText(m_dir / "Book/other.wav", "x");
    DropWithSheet("FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:0\n");
    ASSERT_EQ(m_project.ChapterProblems().size(), 1u);

    WriteText(m_dir / "Book/book.cue", "FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Opening\"\n"
                                       "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n");
    GetParam().m_pTake(m_project, m_dir / "Book");
    EXPECT_TRUE(m_project.ChapterProblems().empty()) << ToUtf8(m_project.ChapterProblems().front());
    std::vector<std::u16string> rows;
    for (const auto& row : m_project.Rows())
        rows.push_back(row->GetColumnText(1));
    EXPECT_EQ(rows, GetParam().m_rowsAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, SheetProblemWayOutTest,
    ::testing::Values(
        sWayOut{"DropTheMendedSheet",
                [](CBookProject& project, const fs::path& book) { project.Drop({FromPath(book / "book.cue")}); },
                {u"Opening (2 chapters)", u"other"}},
        sWayOut{"AddTheMendedSheet",
                [](CBookProject& project, const fs::path& book) { project.AddFiles({FromPath(book / "book.cue")}); },
                {u"Opening (2 chapters)", u"other"}},
        sWayOut{"DeleteTheRowItIsFor", [](CBookProject& project, const fs::path&) { project.DeleteRows({0}); },
                {u"other"}}),
    [](const testing::TestParamInfo<sWayOut>& info) { return std::string(info.param.m_szName); });
