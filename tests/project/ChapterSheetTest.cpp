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

// The chapters that the first row took, as (start in ms, title).
std::vector<std::pair<int64_t, std::u16string>> ChaptersOf(const CBookProject& project)
{
    std::vector<std::pair<int64_t, std::u16string>> chapters;
    for (const sChapterMark& mark : project.Rows().at(0)->m_chapters)
        chapters.emplace_back(mark.m_llStart / 10000, mark.m_strTitle);
    return chapters;
}

// A folder "Book" with book.wav (70 minutes long, by the chapter reader; no
// tags) and the sheet book.cue.
class ChapterSheetTest : public ::testing::Test {
protected:
    void DropWithSheet(const std::string& sheet, const char* otherFile = nullptr)
    {
        fs::create_directories(m_dir / "Book");
        WriteText(m_dir / "Book/book.wav", "x");
        if (otherFile)
            WriteText(m_dir / "Book" / otherFile, "x");
        WriteText(m_dir / "Book/book.cue", sheet);
        m_project.Drop({FromPath(m_dir / "Book")});
    }

    std::u16string Sheet() const { return FromPath(m_dir / "Book/book.cue"); }

    TempDir m_dir;
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
    EXPECT_EQ(m_project.Details()[eDetail::Artist], u"Ann Reader");
    EXPECT_EQ(m_project.Details()[eDetail::Album], u"The Book");

    EXPECT_EQ(m_project.RowText(0, 1), u"Opening (4 chapters)");
    const std::vector<sInputFile> inputs = m_project.BuildConversion(u"", {}).m_files;
    ASSERT_EQ(inputs.size(), 1u);
    ASSERT_EQ(inputs[0].m_chapters.size(), 4u);
    // mm:ss:ff with 75 frames a second, to the nearest 100 ns.
    const int64_t starts[] = {0, 62 * kSecond + 4933333, 120 * kSecond + 9866667, 3730 * kSecond + 133333};
    const std::u16string titles[] = {u"Opening", u"Middle", u"book 3", u"End"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(inputs[0].m_chapters[i].m_llStart, starts[i]) << i;
        EXPECT_EQ(inputs[0].m_chapters[i].m_strTitle, titles[i]) << i;
    }

    m_project.SetChapterSource(CHAPTERS_FROM_FILENAME);
    EXPECT_EQ(m_project.RowText(0, 1), u"book 1 (4 chapters)");
    EXPECT_EQ(m_project.BuildConversion(u"", {}).m_files[0].m_chapters[3].m_strTitle, u"book 4");
}

struct sBadSheet {
    const char* m_szSheet;
    const char16_t* m_szProblem;  // after the sheet's path
    const char* m_szOtherFile = nullptr;  // beside book.wav
};

class BadSheetTest : public ChapterSheetTest, public ::testing::WithParamInterface<sBadSheet> {};

TEST_P(BadSheetTest, IsNamedWithItsLineUntilTheAudioComesAgain)
{
    DropWithSheet(GetParam().m_szSheet, GetParam().m_szOtherFile);
    ASSERT_EQ(m_project.ChapterProblems().size(), 1u);
    EXPECT_EQ(m_project.ChapterProblems().front(), Sheet() + GetParam().m_szProblem);
    // The audio still makes its rows; dropping it again without the sheet
    // clears the problem.
    EXPECT_EQ(m_project.Rows().size(), GetParam().m_szOtherFile ? 2u : 1u);
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
        sBadSheet{"FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                  "    INDEX 01 70:00:00\n",
                  u", line 5: 1:10:00.000 is at the end of \"book.wav\" (1:10:00.000)"},
        // Two audio files with the missing file's base name: neither is taken.
        sBadSheet{"FILE \"book.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
                  u", line 1: FILE \"book.mp3\" names a missing file", "book.flac"},
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
    fs::create_directories(m_dir / "Book");
    WriteText(m_dir / "Book/other.wav", "x");
    DropWithSheet("FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:0\n");
    ASSERT_EQ(m_project.ChapterProblems().size(), 1u);

    WriteText(m_dir / "Book/book.cue", "FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Opening\"\n"
                                       "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n");
    GetParam().m_pTake(m_project, m_dir / "Book");
    EXPECT_TRUE(m_project.ChapterProblems().empty()) << ToUtf8(m_project.ChapterProblems().front());
    std::vector<std::u16string> rows;
    for (size_t i = 0; i < m_project.Rows().size(); ++i)
        rows.push_back(m_project.RowText(i, 1));
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

namespace {

// A sheet that people's editors write, and the chapters and notices it gives
// book.wav: a .cue sheet dropped with it, or a chapter list given for it.
struct sWrittenSheet {
    const char* m_szName;
    const char* m_szSheetFile;  // in the folder "Book"
    std::string m_bytes;
    const char* m_szEncoding;  // for sheets that are not Unicode; empty: none named
    std::vector<std::pair<int64_t, std::u16string>> m_chapters;  // start in ms, title
    std::vector<std::u16string> m_notices;  // after the sheet's path
    std::u16string m_strAlbum{};  // from the sheet's TITLE
};

void PrintTo(const sWrittenSheet& sheet, std::ostream* out)
{
    *out << sheet.m_szName;
}

// `text` as UTF-16, with its byte-order mark unless told otherwise.
std::string Utf16(std::u16string_view text, bool bigEndian, bool mark = true)
{
    std::string bytes = !mark ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

constexpr char16_t kCueText[] = u"TITLE \"\u201CQuoted\u201D \u20AC\"\nFILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                u"    TITLE \"Part \u2013 One\u2026\"\n    INDEX 01 00:00:00\n";
const std::vector<std::pair<int64_t, std::u16string>> kCueChapters{{0, u"Part \u2013 One\u2026"}};
constexpr char16_t kCueAlbum[] = u"\u201CQuoted\u201D \u20AC";

class WrittenSheetTest : public ChapterSheetTest, public ::testing::WithParamInterface<sWrittenSheet> {};

}  // namespace

TEST_P(WrittenSheetTest, GivesItsChaptersAndSaysWhatWasDone)
{
    const sWrittenSheet& sheet = GetParam();
    fs::create_directories(m_dir / "Book");
    WriteText(m_dir / "Book/book.wav", "x");
    const fs::path path = m_dir / "Book" / sheet.m_szSheetFile;
    WriteText(path, sheet.m_bytes);
    m_project.SetSheetEncoding(sheet.m_szEncoding);
    if (path.extension() == ".cue") {
        m_project.Drop({FromPath(m_dir / "Book")});
    } else {
        m_project.Drop({FromPath(m_dir / "Book/book.wav")});
        m_project.SetChapterFile(FromPath(path));
    }
    ASSERT_TRUE(m_project.ChapterProblems().empty()) << ToUtf8(m_project.ChapterProblems().front());
    EXPECT_EQ(ChaptersOf(m_project), sheet.m_chapters);
    std::vector<std::u16string> notices;
    for (const std::u16string& notice : sheet.m_notices)
        notices.push_back(FromPath(path) + notice);
    EXPECT_EQ(m_project.ChapterNotices(), notices);
    EXPECT_EQ(m_project.Details()[eDetail::Album], sheet.m_strAlbum);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, WrittenSheetTest,
    ::testing::Values(
        sWrittenSheet{"Utf8WithByteOrderMark", "book.cue", "\xEF\xBB\xBF" + ToUtf8(kCueText), "", kCueChapters, {}, kCueAlbum},
        sWrittenSheet{"Utf16LittleEndian", "book.cue", Utf16(kCueText, false), "", kCueChapters, {}, kCueAlbum},
        sWrittenSheet{"Utf16BigEndian", "book.cue", Utf16(kCueText, true), "", kCueChapters, {}, kCueAlbum},
        sWrittenSheet{"Utf16WithoutMark", "book.cue", Utf16(kCueText, false, false), "", kCueChapters, {}, kCueAlbum},
        // Windows-1252, not Latin-1: 0x80 to 0x9F are letters and signs.
        sWrittenSheet{"Windows1252", "book.cue",
                      "TITLE \"\x93Quoted\x94 \x80\"\nFILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n"
                      "    TITLE \"Part \x96 One\x85\"\n    INDEX 01 00:00:00\n",
                      "", kCueChapters, {}, kCueAlbum},
        // A code page that cannot be told from Windows-1252, named.
        sWrittenSheet{"NamedWindows1251", "chapters.txt", "00:00 \xC3\xEB\xE0\xE2\xE0 1\n10:00 \xC3\xEB\xE0\xE2\xE0 2\n",
                      "CP1251", {{0, u"\u0413\u043B\u0430\u0432\u0430 1"}, {600000, u"\u0413\u043B\u0430\u0432\u0430 2"}},
                      {}},
        sWrittenSheet{"MinutesAndHoursMovedFirstEntry", "chapters.txt",
                      "0:02 Opening\n12:30.5 Middle\n65:00 Minutes past the hour\n1:06:01 Late\n", "",
                      {{2000, u"Opening"}, {750500, u"Middle"}, {3900000, u"Minutes past the hour"}, {3961000, u"Late"}},
                      {u", line 1: the first chapter starts at 0:00:02.000; it is moved to the start of \"book.wav\""}},
        sWrittenSheet{"InnerQuotes", "book.cue",
                      "FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"The \"Best\" One\"\n    INDEX 01 00:00:00\n",
                      "", {{0, u"The \"Best\" One"}}, {}},
        // Written before the audio was converted: the one audio file with
        // the name's base takes its place, said with the cue's first start.
        sWrittenSheet{"StaleExtension", "book.cue",
                      "FILE \"Book.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 00 00:00:00\n"
                      "    INDEX 01 00:02:00\n",
                      "", {{2000, u"One"}},
                      {u", line 1: FILE \"Book.flac\" is missing; \"book.wav\" is taken in its place",
                       u", line 5: the first chapter starts at 0:00:02.000; it is moved to the start of \"book.wav\""}}),
    [](const testing::TestParamInfo<sWrittenSheet>& info) { return std::string(info.param.m_szName); });

TEST(EmbeddedSheet, AFlacsCuesheetTagGivesItsChaptersUnlessACueSheetIsBeside)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    testsupport::GenerateTone(dir / "Book/book.flac", 4.0, 44100, 1, 440.0,
                              {"-metadata", "CUESHEET=FILE \"book.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
                                            "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Two\"\n"
                                            "    INDEX 01 00:02:00\n",
                               "-c:a", "flac"});
    CBookProject project;  // tags and chapters through the tag helper
    project.Drop({FromPath(dir / "Book")});
    EXPECT_EQ(ChaptersOf(project), (std::vector<std::pair<int64_t, std::u16string>>{{0, u"One"}, {2000, u"Two"}}));

    WriteText(dir / "Book/book.cue", "FILE \"book.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Beside\"\n"
                                     "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Later\"\n"
                                     "    INDEX 01 00:03:00\n");
    project.Drop({FromPath(dir / "Book")});
    EXPECT_TRUE(project.ChapterProblems().empty());
    EXPECT_EQ(ChaptersOf(project), (std::vector<std::pair<int64_t, std::u16string>>{{0, u"Beside"}, {3000, u"Later"}}));
}
