// The conversion job over PCM sources standing in for decoders, with the real
// AAC encoder and the real book writer; books are read back with ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sys/resource.h>
#include <thread>
#include <tuple>

#include "engine/Converter.h"
#include "base/Event.h"
#include "FakeReader.h"
#include "tests/support/Probe.h"
#include "RecordingConsole.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"
#include "engine/ThreadPool.h"

namespace {

using namespace std::chrono_literals;

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override { m_output = FromPath(m_dir / "book.m4b"); }

    void UsePool(int size) { m_pool = std::make_unique<CThreadPool>(size); }

    void AddFile(const std::string& name, const FakeSource& source, uint32_t size = 1000)
    {
        const std::u16string path = u"/fake/" + FromUtf8(name);
        FakeSources::Instance().Add(path, source);
        m_files.push_back({path, FromUtf8(name), size});
    }

    sConversionContext Context()
    {
        sConversionContext context;
        context.m_metadata = m_metadata;
        context.m_files = m_files;
        context.m_cover = m_cover;
        context.m_strOutput = m_output;
        context.m_pPool = m_pool.get();
        context.m_pConsole = &m_console;
        context.m_openReader = m_fakes.Factory();
        return context;
    }

    // Runs the whole job; true when it ended within the time limit.
    bool Convert(const std::function<void(CConverter&)>& whileRunning = {})
    {
        CConverter job(Context());
        job.Start();
        if (whileRunning)
            whileRunning(job);
        const bool ended = job.WaitForEnd(30000);
        if (!ended) {
            job.Abort();
            job.WaitForEnd(INFINITE_WAIT);
        }
        job.GetProgress(m_position, m_total);
        m_outcome = job.Outcome();
        return ended;
    }

    bool OutputExists() const { return std::filesystem::exists(ToPath(m_output)); }

    testsupport::TempDir m_dir;
    FakeSources::Installed m_fakes;
    sTagInfo m_metadata;
    sCoverData m_cover;
    std::vector<sInputFile> m_files;
    std::u16string m_output;
    std::unique_ptr<CThreadPool> m_pool = std::make_unique<CThreadPool>();
    CRecordingConsole m_console;
    int m_position = -1;
    int m_total = -1;
    sConversionOutcome m_outcome;
};

// Polls `condition` every millisecond for at most 30 s; whether it came true.
bool WaitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

FakeSource Seconds(double seconds)
{
    FakeSource s;
    s.frames = static_cast<uint64_t>(seconds * 44100);
    return s;
}

// File k's frames in the audio track: its samples filled up to whole frames,
// plus one priming frame.
uint64_t TrackSamples(uint64_t samples)
{
    return ((samples + 1023) / 1024 + 1) * 1024;
}

TEST_F(ConverterTest, FramesAndChaptersFollowTheListWhenLaterFilesFinishFirst)
{
    FakeSource slow = Seconds(3.0);
    slow.pace = 2ms;
    AddFile("first slow", slow);
    AddFile("second", Seconds(1.0));
    AddFile("third", Seconds(2.0));
    AddFile("fourth", Seconds(1.5));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(Convert());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Completed);
    EXPECT_EQ(m_outcome.m_strError, u"");
    // Each file's console lines reach the job's console, not standard output:
    // its frames at its end, and its PCM queue, empty, when it is freed.
    const std::vector<std::string> lines = m_console.Lines();
    const auto encoded = [](const std::string& line) { return line.starts_with("out: Encoded "); };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), encoded), 4);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "out: ~CQueue 0\n"), 4);
    EXPECT_EQ(lines.size(), 8u);

    const auto chapters = testsupport::ProbeChapters(ToPath(m_output));
    ASSERT_EQ(chapters.size(), 4u);
    const char* titles[] = {"first slow", "second", "third", "fourth"};
    const double lengths[] = {3.0, 1.0, 2.0, 1.5};
    // Playback skips the book's first priming frame, so file k's own audio
    // starts where its frames start; its chapter ends where that audio ends.
    uint64_t fileStart = 0;
    double start = 0;
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(chapters[i].title, titles[i]);
        const auto samples = static_cast<uint64_t>(lengths[i] * 44100);
        const double end = static_cast<double>(fileStart + samples) / 44100;
        EXPECT_NEAR(chapters[i].start, start, 0.002) << i;
        EXPECT_NEAR(chapters[i].end, end, 0.002) << i;
        start = end;
        fileStart += TrackSamples(samples);
    }
    // The book ends with the last file's own audio, not with the silence
    // that fills its last frame.
    EXPECT_NEAR(testsupport::ProbeFormat(ToPath(m_output)).duration, start, 0.001);
    std::string errors;
    EXPECT_TRUE(testsupport::DecodesCleanly(ToPath(m_output), &errors)) << errors;
    // Once every file is finished the total is the exact sum of the lengths.
    EXPECT_EQ(m_total, 3 + 1 + 2 + 1);
    EXPECT_EQ(m_position, m_total);
}

TEST_F(ConverterTest, UnitsStartOldestFirstAndNoFurtherAheadOfAHeldUnitThanTheBound)
{
    // The first file holds its end until the test lets it go, so the writer
    // stays at it while the short files behind it finish and pile up.
    UsePool(2);
    const size_t ahead = 3 * 2;  // units submitted beyond the one being written
    const FakeGate firstEnds = NewGate();
    FakeSource first = Seconds(2.0);
    first.endGate = firstEnds;
    AddFile("file 0", first);
    for (int i = 1; i < 12; ++i)
        AddFile("file " + std::to_string(i), Seconds(0.2));

    size_t openedWhileHeld = 0;
    ASSERT_TRUE(Convert([&](CConverter&) {
        // Each unit's frame queue says "Encoded" as it ends: once the units
        // within the bound have ended, no other can have been submitted.
        ASSERT_TRUE(WaitUntil([&] {
            const auto lines = m_console.Lines();
            return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                       return line.starts_with("out: Encoded ");
                   }) == static_cast<long>(ahead);
        }));
        openedWhileHeld = FakeSources::Instance().OpenOrder().size();
        firstEnds->store(true);
    }));
    EXPECT_EQ(openedWhileHeld, 1 + ahead);
    // Started oldest first; two threads started together may open their
    // files in either order.
    const auto order = FakeSources::Instance().OpenOrder();
    ASSERT_EQ(order.size(), 12u);
    for (size_t i = 0; i < order.size(); ++i) {
        const auto listed = std::find_if(m_files.begin(), m_files.end(),
                                         [&](const sInputFile& f) { return f.m_strPath == order[i]; });
        EXPECT_LE(std::abs(static_cast<long>(listed - m_files.begin()) - static_cast<long>(i)), 1) << i;
    }
    EXPECT_EQ(testsupport::ProbeChapters(ToPath(m_output)).size(), 12u);
}

TEST(ThreadPoolTest, RunsJobsInSubmissionOrderAndEndsOnlyWhenAllHaveRun)
{
    std::vector<int> ran;
    {
        CThreadPool pool(1);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(pool.Submit([&ran, i] { ran.push_back(i); }));
    }
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ConverterTest, AnEmptyListEndsAtOnceWithoutAFile)
{
    ASSERT_TRUE(Convert());
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(m_total, 0);
}

TEST_F(ConverterTest, AnUnreadableFirstFileStopsBeforeAnyOtherFileOrOutput)
{
    FakeSource broken;
    broken.failOpen = true;
    AddFile("broken one", broken);
    AddFile("fine", Seconds(0.5));
    ASSERT_TRUE(Convert());
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(m_outcome.m_strError, u"Can't read file /fake/broken one");
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(FakeSources::Instance().OpenOrder().size(), 1u);
}

TEST_F(ConverterTest, AnUnreadableThirdFileAbortsAndAddsNoChapterAfterIt)
{
    UsePool(1);  // the first two finish before the third opens
    AddFile("one", Seconds(0.5));
    AddFile("two", Seconds(0.5));
    FakeSource broken;
    broken.failOpen = true;
    broken.openDelay = 300ms;  // time for the writer to finish the second chapter
    AddFile("three", broken);
    AddFile("four", Seconds(0.5));
    AddFile("five", Seconds(0.5));
    ASSERT_TRUE(Convert());
    EXPECT_EQ(m_outcome.m_strError, u"Can't read file /fake/three");
    // The first two files are written whole before the third fails, so
    // their chapters and frames are in the book, nothing after.
    const auto chapters = testsupport::ProbeChapters(ToPath(m_output));
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].title, "one");
    EXPECT_EQ(chapters[1].title, "two");
    EXPECT_NEAR(testsupport::ProbeFormat(ToPath(m_output)).duration,
                static_cast<double>(2 * TrackSamples(44100 / 2) - 1024) / 44100, 0.01);
    EXPECT_EQ(FakeSources::Instance().OpenOrder().size(), 3u);
    EXPECT_TRUE(testsupport::DecodesCleanly(ToPath(m_output)));
}

TEST_F(ConverterTest, TheFirstFailureIsReportedNotAFileItsAbortInterrupted)
{
    UsePool(3);  // the second and third file open side by side
    AddFile("one", Seconds(0.5));
    // A healthy file whose slow open the abort interrupts: to its encoder,
    // an open that fails after the third file has failed.
    FakeSource interrupted;
    interrupted.failOpen = true;
    interrupted.openGate = NewGate();  // never set: the open lasts until the abort
    AddFile("two", interrupted);
    FakeSource broken;
    broken.failOpen = true;
    broken.openGate = NewGate();
    AddFile("three", broken);
    ASSERT_TRUE(Convert([&](CConverter&) {
        // The third file fails only once the second is opening.
        EXPECT_TRUE(WaitUntil([] { return FakeSources::Instance().OpenOrder().size() == 3; }));
        broken.openGate->store(true);
    }));
    EXPECT_EQ(FakeSources::Instance().OpenOrder().size(), 3u);
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(m_outcome.m_strError, u"Can't read file /fake/three");
}

TEST_F(ConverterTest, AbortRightAfterStartEndsPromptly)
{
    for (int i = 0; i < 5; ++i)
        AddFile("f" + std::to_string(i), Seconds(5));
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(Convert([](CConverter& job) { job.Abort(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Aborted);
}

TEST_F(ConverterTest, AbortWhileTheFirstFileOpensStillCreatesTheOutputThenStops)
{
    FakeSource slowOpen = Seconds(30);
    slowOpen.openDelay = 300ms;
    AddFile("slow open", slowOpen);
    AddFile("next", Seconds(30));
    ASSERT_TRUE(Convert([](CConverter& job) {
        std::this_thread::sleep_for(100ms);
        job.Abort();
    }));
    EXPECT_TRUE(OutputExists());
    EXPECT_TRUE(testsupport::ProbeChapters(ToPath(m_output)).empty());
    EXPECT_EQ(FakeSources::Instance().OpenOrder().size(), 1u);
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Aborted);
    EXPECT_EQ(m_outcome.m_strError, u"");
}

TEST_F(ConverterTest, AbortMidEncodeWithPendingFilesDrainsEveryTask)
{
    UsePool(2);
    for (int i = 0; i < 8; ++i) {
        FakeSource s = Seconds(20);
        s.pace = 1ms;
        AddFile("f" + std::to_string(i), s);
    }
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(Convert([](CConverter& job) {
        std::this_thread::sleep_for(300ms);
        job.Abort();
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    EXPECT_TRUE(testsupport::ProbeChapters(ToPath(m_output)).empty());
    EXPECT_TRUE(testsupport::DecodesCleanly(ToPath(m_output)));
    EXPECT_LE(FakeSources::Instance().OpenOrder().size(), 2u);
}

TEST_F(ConverterTest, ASourceThatNeverEndsIsStoppedByAnAbort)
{
    FakeSource stuck;
    stuck.neverEnds = true;
    AddFile("stuck", stuck);
    ASSERT_TRUE(Convert([](CConverter& job) {
        std::this_thread::sleep_for(100ms);
        job.Abort();
    }));
}

TEST_F(ConverterTest, AnUnwritableOutputIsReportedWithThePathAsChosen)
{
    AddFile("a", Seconds(0.5));
    m_output = FromPath(m_dir / "no such folder" / "bøøk.m4b");
    ASSERT_TRUE(Convert());
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(m_outcome.m_strError, u"Couldn't create output file " + m_output + u"\n");
}

TEST_F(ConverterTest, AFullDiskIsReportedAsAFailureNotAsSuccess)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    AddFile("a", Seconds(2));
    m_output = u"/dev/full";
    ASSERT_TRUE(Convert());
    EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(m_outcome.m_strError, u"Couldn't write output file /dev/full\n");
}

// Files of this process fail to grow past `bytes` (EFBIG) while it lives,
// as on a full disk.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        // Otherwise the signal ends the process instead of the write failing.
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

enum class eEnding { Abort, WriteFailure };

void PrintTo(eEnding ending, std::ostream* out)
{
    *out << (ending == eEnding::Abort ? "abort" : "write failure");
}

// How a conversion ends that does not complete, and whether a book of the
// output's name was there before it.
class ConverterUnfinishedTest : public ConverterTest, public ::testing::WithParamInterface<std::tuple<eEnding, bool>> {};

TEST_P(ConverterUnfinishedTest, LeavesAnExistingBookAsItWasAndThePartialBookBesideIt)
{
    const auto [ending, bookThere] = GetParam();
    const std::string earlier = "the book of an earlier run";
    if (bookThere)
        testsupport::WriteText(ToPath(m_output), earlier);
    FakeSource source = Seconds(2);
    if (ending == eEnding::Abort)
        source.endGate = NewGate();  // never set: the file ends only with the abort
    AddFile("a", source);
    {
        // The frames fit the writer's buffer: the write that fails is the
        // one at the end, with the index.
        std::optional<CFileSizeLimit> limit;
        if (ending == eEnding::WriteFailure)
            limit.emplace(4096);
        ASSERT_TRUE(Convert([&](CConverter& job) {
            if (ending != eEnding::Abort)
                return;
            ASSERT_TRUE(WaitUntil([&] {
                int position = 0;
                int total = 0;
                job.GetProgress(position, total);
                return position > 0;
            }));
            job.Abort();
        }));
    }
    const std::filesystem::path partial = m_dir / "book (partial).m4b";
    const std::filesystem::path unfinished = bookThere ? partial : ToPath(m_output);
    if (ending == eEnding::Abort) {
        EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Aborted);
        std::string errors;
        EXPECT_TRUE(testsupport::DecodesCleanly(unfinished, &errors)) << errors;
    } else {
        EXPECT_EQ(m_outcome.m_eOutcome, eOutcome::Failed);
        EXPECT_EQ(m_outcome.m_strError, u"Couldn't write output file " + m_output + u"\n");
    }
    EXPECT_EQ(m_outcome.m_strKeptFile, bookThere ? m_output : u"");
    EXPECT_EQ(m_outcome.m_strPartialBook, bookThere ? FromPath(partial) : u"");
    if (bookThere) {
        EXPECT_EQ(testsupport::ReadText(ToPath(m_output)), earlier);
    }
    // No temporary file stays behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected =
        bookThere ? std::vector<std::string>{"book (partial).m4b", "book.m4b"} : std::vector<std::string>{"book.m4b"};
    EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(Endings, ConverterUnfinishedTest,
                         ::testing::Combine(::testing::Values(eEnding::Abort, eEnding::WriteFailure),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<eEnding, bool>>& info) {
                             return std::string(std::get<0>(info.param) == eEnding::Abort ? "Abort" : "WriteFailure") +
                                    (std::get<1>(info.param) ? "OverABook" : "");
                         });

TEST_F(ConverterTest, ProgressIsZeroUntilEveryFileIsSubmitted)
{
    AddFile("a", Seconds(1));
    CConverter job(Context());
    int position = 42;
    int total = 42;
    job.GetProgress(position, total);
    EXPECT_EQ(total, 0);
    EXPECT_EQ(position, 42);
}

TEST_F(ConverterTest, TwoConversionsInOneProcessKeepTheirOwnStopAndError)
{
    // The first book's file holds its end until the second book has failed.
    FakeSource held = Seconds(0.5);
    held.endGate = NewGate();
    AddFile("held", held);
    FakeSource broken;
    broken.failOpen = true;
    FakeSources::Instance().Add(u"/fake/broken", broken);

    CConverter first(Context());
    CThreadPool secondPool(1);
    sConversionContext secondContext = Context();
    secondContext.m_files = {{u"/fake/broken", u"broken", 1000}};
    secondContext.m_strOutput = FromPath(m_dir / "second.m4b");
    secondContext.m_pPool = &secondPool;
    CConverter second(std::move(secondContext));
    first.Start();
    second.Start();
    ASSERT_TRUE(second.WaitForEnd(30000));
    held.endGate->store(true);
    ASSERT_TRUE(first.WaitForEnd(30000));

    EXPECT_EQ(second.Outcome().m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(second.Outcome().m_strError, u"Can't read file /fake/broken");
    EXPECT_EQ(first.Outcome().m_eOutcome, eOutcome::Completed);
    EXPECT_EQ(first.Outcome().m_strError, u"");
    EXPECT_EQ(testsupport::ProbeChapters(ToPath(m_output)).size(), 1u);
}

TEST(RunStateTest, KeepsTheFirstFailureAndNothingThatFollowsAStop)
{
    CRunState failed;
    failed.Fail(u"Can't read file /broken.mp3");
    failed.Fail(u"Can't read file /interrupted.mp3");
    EXPECT_TRUE(failed.Stopped());
    EXPECT_EQ(failed.Error(), u"Can't read file /broken.mp3");

    CRunState stopped;
    stopped.Stop();  // the user's abort carries no message
    stopped.Fail(u"Can't read file /interrupted.mp3");
    EXPECT_EQ(stopped.Error(), u"");
}

}  // namespace
