// Every row of the detail table end to end: set on tavlin-cli's command line,
// written into a real book, and read back with ffprobe (the keys that
// library players take), mutagen (every MP4 item) and MediaInfo through the
// tag reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "CliSupport.h"
#include "base/BookDetails.h"
#include "base/Text.h"
#include "project/MediaInfoLibrary.h"
#include "project/TagReader.h"
#include "tests/support/DetailItems.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
using testsupport::DetailTestValue;

namespace {

// ffprobe's key for the four-byte items it names (FFmpeg's mov reader);
// none for the ones it leaves out (the narrator and movement items).
std::string ProbeKey(const sMp4Item& item)
{
    if (item.Freeform())
        return std::string(item.m_name);
    static const std::map<std::string_view, std::string> KEYS{
        {"\xA9" "ART", "artist"},     {"\xA9wrt", "composer"},   {"\xA9" "alb", "album"},
        {"\xA9" "day", "date"},       {"\xA9gen", "genre"},      {"\xA9" "cmt", "comment"},
        {"aART", "album_artist"},     {"cprt", "copyright"},     {"desc", "description"},
        {"ldes", "synopsis"},         {"soal", "sort_album"},    {"soar", "sort_artist"}};
    const auto it = KEYS.find(item.m_type);
    return it == KEYS.end() ? std::string() : it->second;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

class CliDetails : public ::testing::TestWithParam<sDetailRow> {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        const fs::path& dir = s_dir->Path();
        testsupport::GenerateTone(dir / "01.wav", 0.3, 44100, 1);
        // The description comes from a file with Windows line ends.
        std::string description = DetailTestValue(DetailRow(eDetail::Description));
        for (size_t at = description.find('\n'); at != std::string::npos; at = description.find('\n', at + 2))
            description.replace(at, 1, "\r\n");
        testsupport::WriteText(dir / "about.txt", description + "\r\n");
        std::vector<std::string> arguments{"-q", "-o", "book.m4b", "--description-file", "about.txt"};
        for (const sDetailRow& row : DETAIL_ROWS) {
            if (row.m_detail != eDetail::Description)
                arguments.push_back("--" + std::string(row.m_key) + "=" + DetailTestValue(row));
        }
        arguments.push_back("01.wav");
        s_run = new sCliResult(RunCli(dir, arguments));
        const fs::path book = dir / "book.m4b";
        s_probe = new testsupport::ProbedFormat(testsupport::ProbeFormat(book));
        s_mutagen = new std::string(testsupport::Mp4Items(book));
        CMediaInfoLibrary library("libmediainfo.so.0");
        s_mediaInfo = new sTagInfo(ReadTags(FromPath(book), library));
    }
    static void TearDownTestSuite()
    {
        delete s_mediaInfo;
        delete s_mutagen;
        delete s_probe;
        delete s_run;
        delete s_dir;
    }

    static testsupport::TempDir* s_dir;
    static sCliResult* s_run;
    static testsupport::ProbedFormat* s_probe;
    static std::string* s_mutagen;
    static sTagInfo* s_mediaInfo;
};

testsupport::TempDir* CliDetails::s_dir = nullptr;
sCliResult* CliDetails::s_run = nullptr;
testsupport::ProbedFormat* CliDetails::s_probe = nullptr;
std::string* CliDetails::s_mutagen = nullptr;
sTagInfo* CliDetails::s_mediaInfo = nullptr;

}  // namespace

TEST_P(CliDetails, ReachEveryItemOfItsRow)
{
    ASSERT_EQ(s_run->m_nExitCode, 0) << s_run->m_strErr;
    ASSERT_TRUE(s_probe->ok);
    const sDetailRow& row = GetParam();
    const std::string value = DetailTestValue(row);
    int items = 0;
    for (const sMp4Item& item : row.m_items) {
        if (item.m_type.empty())
            continue;
        ++items;
        const std::string stored = testsupport::ItemText(item, value);
        EXPECT_NE(s_mutagen->find(testsupport::Mp4ItemLine(item, value)), std::string::npos)
            << testsupport::Mp4ItemLine(item, value) << "in\n" << *s_mutagen;
        if (const std::string key = ProbeKey(item); !key.empty()) {
            const auto it = s_probe->tags.find(Lower(key));
            ASSERT_NE(it, s_probe->tags.end()) << key;
            EXPECT_EQ(it->second, stored) << key;
        }
    }
    EXPECT_GT(items, 0);

    // MediaInfo reports a line break as " / "; the writer's label is the
    // publisher's (the main window's Writer is read from "Publisher").
    std::string reported = value;
    for (size_t at = reported.find('\n'); at != std::string::npos; at = reported.find('\n', at))
        reported.replace(at, 1, " / ");
    if (row.m_detail == eDetail::Writer)
        reported = DetailTestValue(DetailRow(eDetail::Publisher));
    EXPECT_EQ(ToUtf8(s_mediaInfo->m_details[row.m_detail]), reported);
}

INSTANTIATE_TEST_SUITE_P(AllRows, CliDetails, ::testing::ValuesIn(DETAIL_ROWS),
                         [](const ::testing::TestParamInfo<sDetailRow>& info) {
                             std::string name(info.param.m_key);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(CliDetailsOptions, UnreadableDescriptionFileIsAUsageErrorNamingIt)
{
    testsupport::TempDir dir;
    testsupport::GenerateTone(dir / "01.wav", 0.1, 44100, 1);
    for (const std::string file : {"missing.txt", "."}) {
        const sCliResult result = RunCli(dir.Path(), {"--dry-run", "--description-file", file, "01.wav"});
        EXPECT_EQ(result.m_nExitCode, 2) << file;
        EXPECT_NE(result.m_strErr.find("description file \"" + file + "\""), std::string::npos) << result.m_strErr;
    }
    // The dry run shows a description of several lines on one line, escaped.
    testsupport::WriteText(dir / "about.txt", "One\nTwo\n");
    const sCliResult shown = RunCli(dir.Path(), {"--dry-run", "--description-file", "about.txt", "01.wav"});
    EXPECT_NE(shown.m_strOut.find("\nDescription: One\\nTwo\n"), std::string::npos) << shown.m_strOut;
}

TEST(CliDetailsOptions, MovementItemsOnlyWithAWholePart)
{
    testsupport::TempDir dir;
    testsupport::GenerateTone(dir / "01.wav", 0.1, 44100, 1);
    const sCliResult result =
        RunCli(dir.Path(), {"-q", "-o", "book.m4b", "--series", "Saga", "--series-part", "2.5", "01.wav"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const std::string items = testsupport::Mp4Items(dir / "book.m4b");
    EXPECT_NE(items.find("----:com.apple.iTunes:SERIES=Saga\n"), std::string::npos) << items;
    EXPECT_NE(items.find("----:com.apple.iTunes:SERIES-PART=2.5\n"), std::string::npos) << items;
    EXPECT_EQ(items.find("\xC2\xA9mv"), std::string::npos) << items;
}
