// tavlin-cli end to end: generated input files, the real engine, and the
// book read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <thread>

#include "CliSupport.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace clitest;
using testsupport::TempDir;

namespace {

// "Book One" with two tagged MP3 files (the second without a title), an
// untagged WAV, a cover and a second picture.
class CliBook : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_book = m_dir / "Book One";
        fs::create_directories(m_book / "extra");
        MakeTaggedMp3(m_book / "01.mp3", 1.0,
                      {{"title", "Opening"}, {"artist", "Jane Reader"}, {"album", "First Book"},
                       {"publisher", "Ann Writer"}, {"genre", "Speech"}, {"date", "2001"}});
        MakeTaggedMp3(m_book / "02.mp3", 1.0, {{"artist", "Someone Else"}});
        testsupport::GenerateTone(m_book / "extra/03.wav", 1.0, 44100, 2);
        MakePicture(m_book / "back.png", "blue");
        MakePicture(m_book / "Cover.png", "red");
    }

    TempDir m_dir;
    fs::path m_book;
};

}  // namespace

TEST_F(CliBook, FolderBecomesABookWithChaptersTagsAndCover)
{
    const sCliResult result = RunCli(m_dir.Path(), {"Book One"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const fs::path book = m_dir / "Book One.m4b";
    EXPECT_EQ(result.m_strOut, book.string() + "\n");

    const auto probe = Probe(book);
    ASSERT_FALSE(probe.empty()) << "ffprobe cannot read the book";
    EXPECT_EQ(Value(probe, "chapters.chapter.0.tags.title"), "Opening");
    EXPECT_EQ(Value(probe, "chapters.chapter.1.tags.title"), "02");
    EXPECT_EQ(Value(probe, "chapters.chapter.2.tags.title"), "03");
    EXPECT_EQ(Value(probe, "chapters.chapter.3.tags.title"), "<missing>");
    EXPECT_EQ(Value(probe, "format.tags.artist"), "Jane Reader");  // from the first file only
    EXPECT_EQ(Value(probe, "format.tags.album"), "First Book");
    EXPECT_EQ(Value(probe, "format.tags.composer"), "Ann Writer");
    EXPECT_EQ(Value(probe, "format.tags.genre"), "Speech");
    EXPECT_EQ(Value(probe, "format.tags.date"), "2001");
    EXPECT_EQ(ExtractCover(book, m_dir.Path()), testsupport::ReadAll(m_book / "Cover.png"));
}

TEST_F(CliBook, ChapterTitlesFromFileNames)
{
    const sCliResult result = RunCli(m_dir.Path(), {"-q", "--chapters", "filename", "Book One"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr, "");  // quiet: no progress
    const auto probe = Probe(m_dir / "Book One.m4b");
    EXPECT_EQ(Value(probe, "chapters.chapter.0.tags.title"), "01");
    EXPECT_EQ(Value(probe, "chapters.chapter.2.tags.title"), "03");
}

TEST_F(CliBook, DetailsAndCoverOverridesAlsoEmpty)
{
    const sCliResult result =
        RunCli(m_dir.Path(), {"-q", "--artist", "New Artist", "--album", "", "--writer=", "--comment", "a: b",
                              "--year", "1999", "--cover", "Book One/back.png", "-o", "out/custom.m4b", "Book One"});
    // The output folder does not exist: the engine cannot create the book.
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "Couldn't create output file")) << result.m_strErr;

    fs::create_directories(m_dir / "out");
    const sCliResult again =
        RunCli(m_dir.Path(), {"-q", "--artist", "New Artist", "--album", "", "--writer=", "--comment", "a: b",
                              "--year", "1999", "--cover", "Book One/back.png", "-o", "out/custom.m4b", "Book One"});
    ASSERT_EQ(again.m_nExitCode, 0) << again.m_strErr;
    const fs::path book = m_dir / "out/custom.m4b";
    EXPECT_EQ(again.m_strOut, book.string() + "\n");
    const auto probe = Probe(book);
    EXPECT_EQ(Value(probe, "format.tags.artist"), "New Artist");
    EXPECT_EQ(Value(probe, "format.tags.comment"), "a: b");
    EXPECT_EQ(Value(probe, "format.tags.date"), "1999");
    EXPECT_EQ(Value(probe, "format.tags.genre"), "Speech");  // not overridden
    for (const char* cleared : {"format.tags.album", "format.tags.composer"}) {
        const std::string value = Value(probe, cleared);
        EXPECT_TRUE(value == "<missing>" || value.empty()) << cleared << " = " << value;
    }
    EXPECT_EQ(ExtractCover(book, m_dir.Path()), testsupport::ReadAll(m_book / "back.png"));
}

TEST_F(CliBook, NoCoverGivesABookWithoutPicture)
{
    const sCliResult result = RunCli(m_dir.Path(), {"-q", "--no-cover", "Book One"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const auto probe = Probe(m_dir / "Book One.m4b");
    EXPECT_EQ(Value(probe, "streams.stream.2.codec_type"), "<missing>");
    EXPECT_EQ(Value(probe, "streams.stream.0.codec_name"), "aac");
}

TEST_F(CliBook, DryRunListsEverythingAndWritesNothing)
{
    const sCliResult result = RunCli(m_dir.Path(), {"--dry-run", "--genre", "", "Book One"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const std::string root = (m_dir / "Book One").string();
    EXPECT_EQ(result.m_strOut, "Chapters:\n"
                               "0:00:00.000\t1\t0:00:01.044\tOpening\t" + root + "/01.mp3\n"
                               "0:00:01.044\t2\t0:00:01.068\t02\t" + root + "/02.mp3\n"
                               "0:00:02.113\t3\t0:00:01.023\t03\t" + root + "/extra/03.wav\n"
                               "Artist: Jane Reader\n"
                               "Writer: Ann Writer\n"
                               "Album: First Book\n"
                               "Year: 2001\n"
                               "Genre: \n"
                               "Comment: \n"
                               // The ID3 publisher frame fills the Writer, as the window always
                               // did, and the Publisher; the other details are shown when set.
                               "Publisher: Ann Writer\n"
                               "Cover: " + root + "/Cover.png\n"
                               "Output: " + (m_dir / "Book One.m4b").string() + "\n");
    EXPECT_FALSE(fs::exists(m_dir / "Book One.m4b"));
}

TEST_F(CliBook, BitrateOverridesTheSetting)
{
    ASSERT_EQ(RunCli(m_dir.Path(), {"-q", "--bitrate", "16000", "-o", "low.m4b", "Book One"}).m_nExitCode, 0);
    ASSERT_EQ(RunCli(m_dir.Path(), {"-q", "--bitrate", "96000", "-o", "high.m4b", "Book One"}).m_nExitCode, 0);
    const double low = std::stod(Value(Probe(m_dir / "low.m4b"), "streams.stream.0.bit_rate"));
    const double high = std::stod(Value(Probe(m_dir / "high.m4b"), "streams.stream.0.bit_rate"));
    // Bit rates per channel, the files are stereo.
    EXPECT_LT(low, 2 * 16000 * 1.3);
    EXPECT_GT(high, 2 * 96000 * 0.7);
}

TEST_F(CliBook, InputsAndOutputsThatCannotWork)
{
    sCliResult result = RunCli(m_dir.Path(), {"Book One", "missing.mp3"});
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "Can't find missing.mp3")) << result.m_strErr;

    result = RunCli(m_dir.Path(), {"Book One/01.mp3"});
    EXPECT_EQ(result.m_nExitCode, 2);  // no folder to name the book after
    EXPECT_TRUE(Contains(result.m_strErr, "-o")) << result.m_strErr;
    // A dry run writes nothing, so it needs no name.
    result = RunCli(m_dir.Path(), {"--dry-run", "Book One/01.mp3"});
    EXPECT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strOut, "\nOutput: (unknown: no -o FILE and no folder to name the book after)\n"))
        << result.m_strOut;

    result = RunCli(m_dir.Path(), {"Book One/back.png", "-o", "x.m4b"});
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "No audio files")) << result.m_strErr;

    result = RunCli(m_dir.Path(), {"--cover", "nothing.png", "Book One"});
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "Can't read cover picture nothing.png")) << result.m_strErr;

    const std::vector<uint8_t> before = testsupport::ReadAll(m_book / "02.mp3");
    result = RunCli(m_dir.Path(), {"-o", "Book One/02.mp3", "Book One"});
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "is one of the input files")) << result.m_strErr;
    EXPECT_EQ(testsupport::ReadAll(m_book / "02.mp3"), before);

    result = RunCli(m_dir.Path(), {"--chapters", "title", "Book One"});
    EXPECT_EQ(result.m_nExitCode, 2);
    EXPECT_TRUE(Contains(result.m_strErr, "usage: tavlin-cli")) << result.m_strErr;
    EXPECT_EQ(RunCli(m_dir.Path(), {}).m_nExitCode, 2);

    result = RunCli(m_dir.Path(), {"--bitrate", "1000", "Book One"});
    EXPECT_EQ(result.m_nExitCode, 2);  // the encoder would refuse it and use its default
    EXPECT_TRUE(Contains(result.m_strErr, "--bitrate takes")) << result.m_strErr;
    EXPECT_FALSE(fs::exists(m_dir / "Book One.m4b"));
}

// A small MP3 first and large WAV files after it: their sizes say nothing of
// their lengths, which the plan knows before anything is encoded.
TEST(CliProgress, TheTotalIsTheBooksLengthFromTheFirstLine)
{
    TempDir dir;
    fs::create_directories(dir / "Book");
    MakeTaggedMp3(dir / "Book/01.mp3", 2.0, {});
    for (int i = 2; i <= 7; ++i)
        testsupport::GenerateTone(dir / "Book" / ("0" + std::to_string(i) + ".wav"), 2.0, 44100, 2);
    const sCliResult result = RunCli(dir.Path(), {"Book"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    // Standard error is no terminal: a line now and then, "[###...] N/T s ...".
    std::vector<std::string> totals;
    for (size_t at = result.m_strErr.find("] "); at != std::string::npos; at = result.m_strErr.find("] ", at + 1)) {
        const size_t slash = result.m_strErr.find('/', at);
        totals.push_back(result.m_strErr.substr(slash + 1, result.m_strErr.find(" s", slash) - slash - 1));
    }
    ASSERT_GE(totals.size(), 2u) << result.m_strErr;
    EXPECT_EQ(totals.front(), "14") << result.m_strErr;
    EXPECT_EQ(std::count(totals.begin(), totals.end(), totals.front()), static_cast<long>(totals.size()))
        << result.m_strErr;
}

TEST_F(CliBook, FifosAmongTheInputsNeitherHangNorCount)
{
    // Nothing ever writes to these FIFOs: opening one to read would wait forever.
    ASSERT_EQ(::mkfifo((m_book / "pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((m_book / "pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((m_dir / "fifo.png").c_str(), 0600), 0);

    sCliResult result = RunCliWithin(m_dir.Path(), {"--dry-run", "Book One"}, 60);
    ASSERT_FALSE(result.m_bTimedOut);
    EXPECT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_FALSE(Contains(result.m_strOut, "pipe")) << result.m_strOut;

    result = RunCliWithin(m_dir.Path(), {"--dry-run", "--cover", "fifo.png", "Book One"}, 60);
    ASSERT_FALSE(result.m_bTimedOut);
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_TRUE(Contains(result.m_strErr, "Can't read cover picture fifo.png")) << result.m_strErr;
}

TEST_F(CliBook, WithTavlinDebugTheEngineLinesGoToStandardErrorNotOutput)
{
    ::setenv("TAVLIN_DEBUG", "1", 1);
    const sCliResult result = RunCli(m_dir.Path(), {"-q", "Book One"});
    ::unsetenv("TAVLIN_DEBUG");
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, (m_dir / "Book One.m4b").string() + "\n");
    // Per file: its frames at its end, and its PCM queue when it is freed.
    const auto count = [&](const std::string& part) {
        size_t n = 0;
        for (size_t at = result.m_strErr.find(part); at != std::string::npos; at = result.m_strErr.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("Encoded "), 3u) << result.m_strErr;
    EXPECT_EQ(count("~CQueue 0\n"), 3u) << result.m_strErr;
}

TEST_F(CliBook, UnreadableFirstFileFailsWithItsNameEscaped)
{
    // The folder's name holds an escape sequence that would recolour the terminal.
    const std::string folder = "Broken \x1b[31m";
    fs::create_directories(m_dir / folder);
    testsupport::WriteText(m_dir / folder / "01.mp3", "this is not audio at all");
    fs::copy_file(m_book / "02.mp3", m_dir / folder / "02.mp3");
    const sCliResult result = RunCli(m_dir.Path(), {"-q", folder});
    EXPECT_EQ(result.m_nExitCode, 1);
    const std::string shown = (m_dir / "Broken \\u001B[31m/01.mp3").string();
    EXPECT_TRUE(Contains(result.m_strErr, "tavlin-cli: Can't read file " + shown + "\n")) << result.m_strErr;
    EXPECT_FALSE(Contains(result.m_strErr, "\x1b")) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, "");
}

// A bit rate per channel above what the encoder takes at the book's sample
// rate (6 times the rate): the encoder would fall back to its default.
struct sRefusedBitrate {
    int m_nSampleRate;
    std::string m_strBitrate;
    std::string m_strHighest;
};

void PrintTo(const sRefusedBitrate& c, std::ostream* out)
{
    *out << c.m_strBitrate << " at " << c.m_nSampleRate << " Hz";
}

class CliRefusedBitrate : public ::testing::TestWithParam<sRefusedBitrate> {};

TEST_P(CliRefusedBitrate, IsAnErrorThatNamesTheRangeAndWritesNoBook)
{
    const sRefusedBitrate& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / "Book");
    testsupport::GenerateTone(dir / "Book/01.wav", 1.0, c.m_nSampleRate, 2);
    const sCliResult result = RunCli(dir.Path(), {"-q", "--bitrate", c.m_strBitrate, "Book"});
    EXPECT_EQ(result.m_nExitCode, 1) << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strErr, "tavlin-cli: The bit rate " + c.m_strBitrate + " is not possible at " +
                                              std::to_string(c.m_nSampleRate) + " Hz: give 8000 to " +
                                              c.m_strHighest + " bit/s per channel\n"))
        << result.m_strErr;
    EXPECT_FALSE(Contains(result.m_strErr, "Unsupported output format!")) << result.m_strErr;
    EXPECT_FALSE(fs::exists(dir / "Book.m4b"));
}

INSTANTIATE_TEST_SUITE_P(CliBitrate, CliRefusedBitrate,
                         ::testing::Values(sRefusedBitrate{44100, "300000", "264600"},
                                           sRefusedBitrate{22050, "140000", "132300"}),
                         [](const testing::TestParamInfo<sRefusedBitrate>& info) {
                             return std::to_string(info.param.m_nSampleRate) + "Hz";
                         });

// Help, a listing or the book's path that cannot be written is no success.
class CliStandardOutput : public CliBook, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(CliStandardOutput, AFailedWriteIsAnError)
{
    const sCliResult result = RunCli(m_dir.Path(), GetParam(), "/dev/full");
    EXPECT_EQ(result.m_nExitCode, 1) << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strErr, "tavlin-cli: can't write to standard output")) << result.m_strErr;
}

INSTANTIATE_TEST_SUITE_P(CliOutput, CliStandardOutput,
                         ::testing::Values(std::vector<std::string>{"--help"},
                                           std::vector<std::string>{"--dry-run", "Book One"},
                                           std::vector<std::string>{"-q", "Book One"}),
                         [](const testing::TestParamInfo<std::vector<std::string>>& info) {
                             return info.param.front() == "--help" ? std::string("Help")
                                    : info.param.front() == "-q"   ? std::string("BookPath")
                                                                   : std::string("DryRun");
                         });

const std::string kEarlierBook = "the book of an earlier run";

// Ctrl+C and a termination request stop the conversion alike; the help
// names the exit status of each.
struct sStopSignal {
    int m_nSignal;
    int m_nExitCode;
    bool m_bBookThere;  // a book of the output's name was there before
};

void PrintTo(const sStopSignal& c, std::ostream* out)
{
    *out << "signal " << c.m_nSignal << (c.m_bBookThere ? " over a book" : "");
}

class CliInterrupt : public ::testing::TestWithParam<sStopSignal> {};

TEST_P(CliInterrupt, AbortsAndLeavesAReadablePartialBook)
{
    TempDir dir;
    MakeLongBook(dir / "Long");
    const fs::path book = dir / "Long.m4b";
    if (GetParam().m_bBookThere)
        testsupport::WriteText(book, kEarlierBook);

    CCliProcess process(dir.Path(), {"Long"});
    ASSERT_TRUE(WaitUntilWritten(process, TemporaryBook(dir.Path(), "Long.m4b", process.Pid()), 200000))
        << "the conversion ended before it could be interrupted";
    process.Signal(GetParam().m_nSignal);
    const sCliResult result = process.Wait();
    EXPECT_EQ(result.m_nExitCode, GetParam().m_nExitCode) << result.m_strErr;
    EXPECT_TRUE(Contains(RunCli(dir.Path(), {"--help"}).m_strOut, std::to_string(GetParam().m_nExitCode)));
    EXPECT_EQ(result.m_strOut, "");
    // Over a book, that book stays as it was and the message names both.
    const fs::path partial = GetParam().m_bBookThere ? dir / "Long (partial).m4b" : book;
    if (GetParam().m_bBookThere) {
        EXPECT_EQ(testsupport::ReadText(book), kEarlierBook);
    }
    const std::string message = GetParam().m_bBookThere
                                    ? "tavlin-cli: Aborted. The existing book " + book.string() +
                                          " was left as it was; the partial book is " + partial.string() + ".\n"
                                    : "tavlin-cli: Aborted; the partial book " + book.string() + " was left as it is.\n";
    // The last line, after the progress lines.
    EXPECT_TRUE(result.m_strErr == message || result.m_strErr.ends_with("\n" + message)) << result.m_strErr;
    const auto probe = Probe(partial);
    ASSERT_FALSE(probe.empty()) << "ffprobe cannot read the partial book";
    const double seconds = std::stod(Value(probe, "format.duration"));
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 1200.0);
}

INSTANTIATE_TEST_SUITE_P(CliStop, CliInterrupt,
                         ::testing::Values(sStopSignal{SIGINT, 130, false}, sStopSignal{SIGTERM, 143, true}),
                         [](const testing::TestParamInfo<sStopSignal>& info) {
                             return info.param.m_nSignal == SIGINT ? std::string("CtrlC")
                                                                   : std::string("SigtermOverABook");
                         });

// A killed run leaves the book it was replacing as it was, and its temporary
// file; a later run into the folder removes that file once it is a day old,
// and nothing else.
TEST(CliKill, LeavesTheOldBookAndATemporaryThatALaterRunRemovesADayLater)
{
    TempDir dir;
    MakeLongBook(dir / "Long");
    const fs::path book = dir / "Long.m4b";
    testsupport::WriteText(book, kEarlierBook);
    fs::path temporary;
    {
        CCliProcess process(dir.Path(), {"-q", "Long"});
        temporary = TemporaryBook(dir.Path(), "Long.m4b", process.Pid());
        ASSERT_TRUE(WaitUntilWritten(process, temporary, 200000)) << process.Wait().m_strErr;
        process.Signal(SIGKILL);
        EXPECT_EQ(process.Wait().m_nEndSignal, SIGKILL);
    }
    EXPECT_EQ(testsupport::ReadText(book), kEarlierBook);
    ASSERT_TRUE(fs::exists(temporary));

    // A day later, beside another run's fresh temporary file and a partial
    // book kept as long ago.
    const auto dayAgo = fs::file_time_type::clock::now() - std::chrono::hours(25);
    fs::last_write_time(temporary, dayAgo);
    const fs::path keptPartial = dir / "Long (partial).m4b";
    testsupport::WriteText(keptPartial, "kept");
    fs::last_write_time(keptPartial, dayAgo);
    testsupport::WriteText(dir / ".Other.m4b.tavlin-partial-1.m4b", "fresh");
    testsupport::GenerateTone(dir / "short.wav", 1.0, 22050, 1);

    const sCliResult result = RunCli(dir.Path(), {"-q", "-o", "Long.m4b", "short.wav"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_FALSE(Probe(book).empty()) << "the new book did not replace the old one";
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{".Other.m4b.tavlin-partial-1.m4b", "Long", "Long (partial).m4b",
                                            "Long.m4b", "short.wav"}));
}

TEST_F(CliBook, SecondCtrlCEndsAJobThatDoesNotStop)
{
    // The book's file is a FIFO nobody reads: the job waits in opening it
    // and cannot see the first Ctrl+C's abort.
    ASSERT_EQ(::mkfifo((m_dir / "stuck.m4b").c_str(), 0600), 0);
    CCliProcess process(m_dir.Path(), {"-q", "-o", "stuck.m4b", "Book One"});
    ASSERT_TRUE(process.WaitUntilBlockedInOpen(60)) << process.Wait().m_strErr;
    process.Signal(SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_FALSE(process.HasEnded()) << "the first Ctrl+C should only ask the job to stop";

    process.Signal(SIGINT);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!process.HasEnded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(process.HasEnded()) << "a second Ctrl+C did not end the process";
    const sCliResult result = process.Wait();
    EXPECT_EQ(result.m_nEndSignal, SIGINT);
    EXPECT_EQ(result.m_nExitCode, 130);
}

// One WAV of four chapters (250 ms of silence, then a tone, each a whole
// number of 1/75 s) and a .cue sheet beside it; a chapter list given with
// --chapters-file.
TEST(CliChapterSheets, ACueSheetAndAChapterListPlaceChaptersInsideTheFile)
{
    TempDir dir;
    fs::create_directories(dir / "Cued");
    std::vector<testsupport::ToneChapter> chapters;
    for (int frames : {60, 83, 71, 95})
        chapters.push_back({(frames * 588 - 11025) / 44100.0, ""});
    testsupport::GenerateToneChapters(dir / "Cued/book.wav", chapters, {"-c:a", "pcm_s16le"}, false);
    testsupport::WriteText(dir / "Cued/book.cue", "PERFORMER \"Ann Reader\"\nTITLE \"Cued Book\"\n"
                                                  "FILE \"book.wav\" WAVE\n"
                                                  "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    INDEX 01 00:00:00\n"
                                                  "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    INDEX 01 00:00:60\n"
                                                  "  TRACK 03 AUDIO\n    TITLE \"Third\"\n    INDEX 01 00:01:68\n"
                                                  "  TRACK 04 AUDIO\n    TITLE \"Last\"\n    INDEX 01 00:02:64\n");
    const std::string wav = (dir / "Cued/book.wav").string();

    sCliResult result = RunCli(dir.Path(), {"--dry-run", "Cued"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_TRUE(Contains(result.m_strOut, "Chapters:\n0:00:00.000\t1\t0:00:00.800\tOpening\t" + wav +
                                              "\n0:00:00.800\t2\t0:00:01.106\tSecond\t" + wav +
                                              "\n0:00:01.906\t3\t0:00:00.946\tThird\t" + wav +
                                              "\n0:00:02.853\t4\t0:00:01.266\tLast\t" + wav + "\nArtist: Ann Reader\n"))
        << result.m_strOut;

    result = RunCli(dir.Path(), {"-q", "Cued"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    const auto book = testsupport::ProbeChapters(dir / "Cued.m4b");
    ASSERT_EQ(book.size(), 4u);
    const auto stops = testsupport::ToneStops(testsupport::DecodeMono(dir / "Cued.m4b", dir.Path()));
    ASSERT_EQ(stops.size(), 4u);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_NEAR(book[i].start, stops[i - 1], 0.006) << book[i].title;
    EXPECT_EQ(Value(Probe(dir / "Cued.m4b"), "format.tags.album"), "Cued Book");

    // A list in a named legacy code page ("Глава" in Windows-1251), in
    // minutes and seconds, whose first chapter is moved to the start.
    testsupport::WriteText(dir / "list.txt", "0:00.3 \xC3\xEB\xE0\xE2\xE0\n\n00:00:00.8 Two\n");
    const auto listRun = [&](const std::string& encoding) {
        return RunCli(dir.Path(), {"--sheet-encoding", encoding, "--dry-run", "--chapters-file", "list.txt", "-o",
                                   "list.m4b", "Cued/book.wav"});
    };
    result = listRun("CP1251");
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_TRUE(result.m_strOut.starts_with("Note: " + (dir / "list.txt").string() +
                                            ", line 1: the first chapter starts at 0:00:00.300; it is moved to "
                                            "the start of \"book.wav\"\nChapters:\n0:00:00.000\t1\t0:00:00.800\t"
                                            "\u0413\u043b\u0430\u0432\u0430\t" + wav + "\n0:00:00.800\t2\t0:00:03.320\tTwo\t" +
                                            wav + "\n"))
        << result.m_strOut;
    result = listRun("KOI-NONE");
    EXPECT_EQ(result.m_nExitCode, 2);
    EXPECT_TRUE(result.m_strErr.starts_with("tavlin-cli: --sheet-encoding takes an encoding that iconv knows"))
        << result.m_strErr;

    testsupport::WriteText(dir / "list.txt", "00:00:00 One\n00:00:00.8 Two\n0:1 Three\n");
    result = RunCli(dir.Path(), {"--chapters-file", "list.txt", "-o", "list.m4b", "Cued/book.wav"});
    EXPECT_EQ(result.m_nExitCode, 1);
    EXPECT_EQ(result.m_strErr, "tavlin-cli: " + (dir / "list.txt").string() +
                                   ", line 3: \"0:1 Three\" is not [H:]MM:SS[.mmm] Title\n");
    EXPECT_FALSE(fs::exists(dir / "list.m4b"));
}

// A book whose AAC frames are copied: a frame of one file that does not
// decode becomes a frame of silence, and the run names the file and where.
TEST(CliCopiedFrames, ADamagedFrameIsReplacedBySilenceAndNamedInAWarning)
{
    TempDir dir;
    const std::vector<std::string> aac = {"-c:a", "aac", "-b:a", "96k"};
    testsupport::GenerateTone(dir / "one.m4a", 1.0, 44100, 2, 440, aac);
    testsupport::GenerateTone(dir / "two.m4a", 1.0, 44100, 2, 660, aac);
    // Frame 21 is the file's 20th (after one of priming) and starts 20 frames
    // into its audio. A channel pair element numbered 1 is not in a stereo
    // configuration: the decoder rejects the frame.
    const auto packets = testsupport::ProbePackets(dir / "two.m4a");
    ASSERT_GT(packets.size(), 21u);
    std::vector<uint8_t> bytes = testsupport::ReadAll(dir / "two.m4a");
    bytes.at(static_cast<size_t>(packets[21].pos)) = 0x22;
    testsupport::WriteAll(dir / "two.m4a", bytes);
    ASSERT_FALSE(testsupport::DecodesCleanly(dir / "two.m4a"));

    const sCliResult result = RunCli(dir.Path(), {"-q", "-o", "book.m4b", "one.m4a", "two.m4a"});
    ASSERT_EQ(result.m_nExitCode, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr, "Warning: " + (dir / "two.m4a").string() +
                                   ": 1 damaged AAC frame was replaced by silence (at 0:00:00.464)\n");
    std::string errors;
    EXPECT_TRUE(testsupport::DecodesCleanly(dir / "book.m4b", &errors)) << errors;
    EXPECT_EQ(testsupport::ProbePackets(dir / "book.m4b").size(),
              testsupport::ProbePackets(dir / "one.m4a").size() + packets.size());
}
