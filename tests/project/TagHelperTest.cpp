// Tags, lengths and chapters read through the tavlin-tags helper process: a
// file on which a library does not finish is stopped and has none of them,
// while the files around it keep theirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Diagnostics.h"
#include "project/TagReader.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::GenerateTone;
using testsupport::TempDir;

namespace {

std::u16string TaggedMp3(const TempDir& dir, const std::string& name, const std::string& title)
{
    GenerateTone(dir / name, 0.5, 44100, 1, 440.0,
                 {"-metadata", "title=" + title, "-metadata", "artist=Reader", "-c:a", "libmp3lame"});
    return FromPath(dir / name);
}

// A tagged MP4 audio file whose edit list claims 2^31 - 1 entries: the
// library spins on it, and its memory grows all the while.
std::u16string HostileMp4(const TempDir& dir)
{
    const fs::path file = dir / "hostile.m4a";
    GenerateTone(file, 0.5, 44100, 1, 440.0, {"-metadata", "title=Hidden", "-c:a", "aac", "-f", "ipod"});
    std::vector<uint8_t> bytes = testsupport::ReadAll(file);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const size_t box = text.find("elst");
    EXPECT_NE(box, std::string_view::npos) << "no edit list to make hostile";
    if (box != std::string_view::npos && box + 12 <= bytes.size()) {
        // Version and flags (4 bytes), then the entry count, big-endian.
        const uint8_t count[4] = {0x7F, 0xFF, 0xFF, 0xFF};
        std::copy(std::begin(count), std::end(count), bytes.begin() + static_cast<std::ptrdiff_t>(box + 8));
    }
    testsupport::WriteAll(file, bytes);
    return FromPath(file);
}

bool Mentions(const std::vector<std::string>& lines, const std::string& part)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&part](const std::string& line) { return line.find(part) != std::string::npos; });
}

// A helper that answers through the real one, file by file, but never
// returns from the file named `stuck`: a read that is certain not to end,
// however fast the machine or the libraries are.
fs::path StallingHelper(const TempDir& dir, const std::string& stuck)
{
    const fs::path script = dir / "stalling-tags";
    testsupport::WriteText(script, "#!/bin/bash\n"
                                   "while IFS= read -r -d '' path; do\n"
                                   "  [[ \"${path##*/}\" == '" + stuck + "' ]] && exec sleep infinity\n"
                                   "  printf '%s\\0' \"$path\" | '" + TagHelperPath().native() + "' \"$@\" || exit\n"
                                   "done\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

std::vector<std::u16string> TaggedNeighbours(const TempDir& dir, const std::u16string& middle)
{
    return {TaggedMp3(dir, "01.mp3", "One"), middle, TaggedMp3(dir, "03.mp3", "Three")};
}

void ExpectNeighboursKeepTheirTags(const std::vector<sFileFacts>& files)
{
    ASSERT_EQ(files.size(), 3u);
    for (size_t i : {0u, 2u}) {
        EXPECT_EQ(files[i].m_tags.m_strTrackName, i == 0 ? u"One" : u"Three");
        EXPECT_EQ(files[i].m_tags.m_details[eDetail::Artist], u"Reader");
        EXPECT_GT(files[i].m_chapters.m_llDuration, 0);
    }
    EXPECT_EQ(files[1].m_tags.m_strTrackName, u"");
}

}  // namespace

TEST(TagHelper, AReadThatNeverEndsIsStoppedAndItsFileHasNothingWhileItsNeighboursKeepTheirs)
{
    TempDir dir;
    GenerateTone(dir / "stuck.m4a", 0.5, 44100, 1, 440.0, {"-metadata", "title=Hidden", "-c:a", "aac"});
    const std::vector<std::u16string> paths = TaggedNeighbours(dir, FromPath(dir / "stuck.m4a"));
    const sTagReadLimits limits{4000ms, uint64_t{1} << 30};
    std::vector<std::string> lines;
    SetDebugSink([&lines](const std::string& line) { lines.push_back(line); });
    const std::vector<tagprotocol::sAnswer> answers =
        ReadAnswersInHelper(paths, limits, StallingHelper(dir, "stuck.m4a"));
    SetDebugSink({});

    ASSERT_EQ(answers.size(), 3u);
    std::vector<sFileFacts> files;
    for (const tagprotocol::sAnswer& answer : answers)
        files.push_back({ParseTagReport(answer.m_strReport), answer.m_chapters});
    ExpectNeighboursKeepTheirTags(files);
    EXPECT_EQ(answers[1].m_strReport, u"");
    EXPECT_EQ(answers[1].m_chapters.m_llDuration, 0);  // not known
    EXPECT_TRUE(Mentions(lines, "stopped after 4000 ms reading " + (dir / "stuck.m4a").string()))
        << testing::PrintToString(lines);
}

// A tagged MP4 file whose edit list claims 2^31 - 1 entries: depending on the
// library and the machine, the read gives up, runs into the address-space cap
// or the time limit; whichever ends it, the file has no tags and the files
// around it keep theirs.
TEST(TagHelper, AHostileFileHasNoTagsWhileItsNeighboursKeepTheirs)
{
    TempDir dir;
    ExpectNeighboursKeepTheirTags(ReadFilesBatch(TaggedNeighbours(dir, HostileMp4(dir)), {20000ms, uint64_t{256} << 20}));
}

TEST(TagHelper, AFileGivesItsTagsLengthAndChaptersThroughTheHelperAndAMissingHelperNothing)
{
    TempDir dir;
    // Tagged, with ID3 chapters from an ffmetadata file.
    const std::vector<double> starts = testsupport::GenerateToneChapters(
        dir / "01.mp3", {{0.5, "Opening"}, {0.7, "Ünder way"}}, {"-c:a", "libmp3lame", "-metadata", "title=One"});
    const std::u16string path = FromPath(dir / "01.mp3");
    const std::vector<sFileFacts> files = ReadFilesBatch({path});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].m_tags.m_strTrackName, u"One");
    // 2 x 0.25 s of silence and the tones; for MP3 an estimate, a few frames long.
    EXPECT_NEAR(static_cast<double>(files[0].m_chapters.m_llDuration) / 1e7, 1.7, 0.1);
    const std::vector<sChapterMark>& chapters = files[0].m_chapters.m_chapters;
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].m_strTitle, u"Opening");
    EXPECT_EQ(chapters[1].m_strTitle, u"Ünder way");
    for (size_t i = 0; i < 2; ++i)  // ID3 chapter times are whole milliseconds
        EXPECT_NEAR(static_cast<double>(chapters[i].m_llStart) / 1e7, starts[i], 0.001) << i;

    testing::internal::CaptureStderr();
    const std::vector<tagprotocol::sAnswer> answers = ReadAnswersInHelper({path, path}, {}, dir / "no-helper");
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(answers.size(), 2u);
    for (const tagprotocol::sAnswer& answer : answers) {
        EXPECT_EQ(answer.m_strReport, u"");
        EXPECT_EQ(answer.m_chapters.m_llDuration, 0);
        EXPECT_TRUE(answer.m_chapters.m_chapters.empty());
    }
    // Said once for the batch, on standard error, naming the helper.
    EXPECT_NE(said.find(": tags not read: cannot start "), std::string::npos) << said;
    EXPECT_NE(said.find("no-helper"), std::string::npos) << said;
    EXPECT_EQ(said.find("no-helper"), said.rfind("no-helper")) << said;
}
