// Long files cut into work units, through the real decoders and encoder: the
// units of a file join into the audio one continuous encode gives, in book
// order whichever finishes first, and a failure or an abort inside a cut file
// ends the conversion as it does for whole files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <numeric>
#include <thread>
#include <utility>

#include "base/Event.h"
#include "base/Text.h"
#include "engine/Converter.h"
#include "engine/ReaderFactory.h"
#include "engine/ThreadPool.h"
#include "engine/WorkPlan.h"
#include "RecordingConsole.h"
#include "tests/support/Probe.h"
#include "tests/support/TestSupport.h"

namespace {

namespace ts = testsupport;

// 100 s in a pool of four: units of the 30 s minimum, three of them.
constexpr double kSeconds = 100;
constexpr int kPoolSize = 4;
constexpr int kUnits = 3;
constexpr eWindowReach kSkipped = eWindowReach::SkippedPackets;

// Records how each reader reached its window's first sample; the first reader
// made starts pulling a second late, so that the units after it finish first.
class CObservedReader : public CPcmReader {
public:
    struct Record {
        std::mutex lock;
        std::map<eWindowReach, int> reached;
        std::atomic<int> readers{0};
    };
    CObservedReader(const std::atomic<bool>& stop, Record& record)
        : CPcmReader(stop), m_record(record), m_bLate(record.readers.fetch_add(1) == 0)
    {
    }
    ePull Pull(sPcmSpan& block) override
    {
        if (std::exchange(m_bLate, false))
            std::this_thread::sleep_for(std::chrono::seconds(1));
        const ePull pulled = CPcmReader::Pull(block);
        if (pulled == ePull::End && !std::exchange(m_bEnded, true)) {
            std::lock_guard<std::mutex> lock(m_record.lock);
            ++m_record.reached[WindowReachedBy()];
        }
        return pulled;
    }

private:
    Record& m_record;
    bool m_bLate;
    bool m_bEnded = false;
};

class WorkUnitTest : public ::testing::Test {
public:
    // A conversion of `input` into `book` on `pool`, re-encoded (a cut file
    // is never copied), read through the test's factory when it has one.
    sConversionContext Context(const std::filesystem::path& input, const std::filesystem::path& book,
                               CThreadPool& pool)
    {
        sConversionContext context;
        context.m_metadata = m_metadata;
        context.m_files = {{FromPath(input), u"Sweep", QueryFileSizeLow32(FromPath(input))}};
        context.m_strOutput = FromPath(book);
        context.m_encoding.m_bReencode = true;
        context.m_pPool = &pool;
        context.m_pConsole = &m_console;
        context.m_openReader = m_factory;
        return context;
    }

    // A rising tone over a steady one: a click where two units meet badly
    // stands out against it.
    std::filesystem::path Sweep(const std::string& name, const std::vector<std::string>& codec,
                                double seconds = kSeconds, int rate = 44100)
    {
        return Generate(name, "0.4*sin(2*PI*(300*t+20*t*t))+0.1*sin(2*PI*1234*t)", codec, seconds, rate);
    }

    // Stereo audio of `seconds` whose samples `expression` of t gives.
    std::filesystem::path Generate(const std::string& name, const std::string& expression,
                                   const std::vector<std::string>& codec, double seconds, int rate = 44100)
    {
        const auto path = m_dir / name;
        std::vector<std::string> command = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                            "aevalsrc=exprs=" + expression + ":s=" + std::to_string(rate) +
                                                ":d=" + std::to_string(static_cast<int>(seconds)),
                                            "-ac", "2"};
        command.insert(command.end(), codec.begin(), codec.end());
        command.push_back(path.string());
        const auto r = ts::Run(command);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return path;
    }

    sConversionOutcome Convert(const std::filesystem::path& input, const std::filesystem::path& book, int poolSize,
                               int abortAtSeconds = 0, uint64_t prerollFrames = kPrerollFrames)
    {
        CThreadPool pool(poolSize);
        sConversionContext context = Context(input, book, pool);
        context.m_nPrerollFrames = prerollFrames;
        CConverter job(std::move(context));
        job.Start();
        int position = 0;
        int total = 0;
        while (abortAtSeconds > 0 && !job.WaitForEnd(10) && position < abortAtSeconds)
            job.GetProgress(position, total);
        if (abortAtSeconds > 0)
            job.Abort();
        EXPECT_TRUE(job.WaitForEnd(300000));
        return job.Outcome();
    }

    // The book `whole.m4b` on one processor, then `cut.m4b` on kPoolSize
    // through observed readers, its units' encoders given `prerollFrames`.
    void ConvertWholeAndCut(const std::filesystem::path& input, CObservedReader::Record& record,
                            uint64_t prerollFrames = kPrerollFrames)
    {
        ASSERT_EQ(Convert(input, m_dir / "whole.m4b", 1).m_eOutcome, eOutcome::Completed);
        ASSERT_EQ(EncodedLines(), 1);
        m_factory = [&record](const std::atomic<bool>& stop) {
            return std::make_unique<CObservedReader>(stop, record);
        };
        ASSERT_EQ(Convert(input, m_dir / "cut.m4b", kPoolSize, 0, prerollFrames).m_eOutcome, eOutcome::Completed);
    }

    const std::filesystem::path& Dir() const { return m_dir.Path(); }

    int EncodedLines() const
    {
        const auto lines = m_console.Lines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("out: Encoded ", 0) == 0;
        }));
    }

    ts::TempDir m_dir;
    sTagInfo m_metadata;
    ReaderFactory m_factory;
    CRecordingConsole m_console;
};

struct CutCase {
    const char* name;
    std::vector<std::string> codec;
    const char* extension;
    int units;           // what the file is cut into
    eWindowReach reach;  // how its units after the first reach their first sample
};

void PrintTo(const CutCase& c, std::ostream* os)
{
    *os << c.name;
}

// Block by block, how far the error of the cut book (made by
// ConvertWholeAndCut) against `input` passes the whole book's, against the
// block's own level; checks that the two books have the same samples.
std::vector<double> CutBookExcess(WorkUnitTest& test, const std::filesystem::path& input)
{
    const auto dir = test.Dir();
    const auto source = ts::DecodeMono(input, dir);
    const auto whole = ts::DecodeMono(dir / "whole.m4b", dir);
    const auto cut = ts::DecodeMono(dir / "cut.m4b", dir);
    EXPECT_EQ(cut.size(), whole.size());
    EXPECT_GE(source.size() + 1024, cut.size());
    const size_t blocks = std::min({source.size(), cut.size(), whole.size()}) / 1024;
    const auto rms = [](auto diff) {
        double sum = 0;
        for (size_t i = 0; i < 1024; ++i)
            sum += diff(i) * diff(i);
        return std::sqrt(sum / 1024);
    };
    std::vector<double> excess(blocks);
    for (size_t b = 0; b < blocks; ++b) {
        const size_t at = b * 1024;
        const double level = rms([&](size_t i) { return static_cast<double>(source[at + i]); });
        const double cutError = rms([&](size_t i) { return static_cast<double>(cut[at + i]) - source[at + i]; });
        const double wholeError = rms([&](size_t i) { return static_cast<double>(whole[at + i]) - source[at + i]; });
        excess[b] = (cutError - wholeError) / (level + 100);
    }
    return excess;
}

// Converts `input` whole on one processor, then on a pool of kPoolSize whose
// first unit starts late, so that the units after it finish first; checks
// that the cut book has the whole one's samples and no block whose error
// stands out, and that `units` units made it. Returns how the units reached
// their first samples.
std::map<eWindowReach, int> ExpectCutBookLikeWhole(WorkUnitTest& test, const std::filesystem::path& input, int units)
{
    CObservedReader::Record record;
    test.ConvertWholeAndCut(input, record);
    EXPECT_EQ(test.EncodedLines(), 1 + units);
    // A seam where units overlap, leave a gap or meet without pre-roll
    // scores 0.5 and far more.
    const std::vector<double> excess = CutBookExcess(test, input);
    const auto worst = std::max_element(excess.begin(), excess.end());
    EXPECT_TRUE(worst == excess.end() || *worst < 0.2) << "block " << worst - excess.begin() << " of " << excess.size();
    return record.reached;
}

class CutFileTest : public WorkUnitTest, public ::testing::WithParamInterface<CutCase> {};

// Each way of reaching a unit's first sample: a seek (WAV, FLAC), packets
// read without decoding (MP3, ADTS and M4A AAC, Opus); a Vorbis file, whose
// samples only a decode from the start would find, stays whole.
TEST_P(CutFileTest, UnitsJoinIntoTheAudioOfOneContinuousEncode)
{
    const CutCase& c = GetParam();
    const auto input = Sweep(std::string("sweep.") + c.extension, c.codec);
    const std::map<eWindowReach, int> reached = ExpectCutBookLikeWhole(*this, input, c.units);
    // Only the file's first unit decodes from the start.
    std::map<eWindowReach, int> expected = {{eWindowReach::FromStart, 1}};
    if (c.units > 1)
        expected[c.reach] = c.units - 1;
    EXPECT_EQ(reached, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CutFileTest,
    ::testing::Values(CutCase{"Wav", {"-c:a", "pcm_s16le"}, "wav", kUnits, eWindowReach::Seek},
                      CutCase{"Flac", {"-c:a", "flac"}, "flac", kUnits, eWindowReach::Seek},
                      CutCase{"Mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}, "mp3", kUnits, kSkipped},
                      CutCase{"Adts", {"-c:a", "aac", "-b:a", "128k"}, "aac", kUnits, kSkipped},
                      CutCase{"M4a", {"-c:a", "aac", "-b:a", "128k"}, "m4a", kUnits, kSkipped},
                      CutCase{"Opus", {"-c:a", "libopus"}, "opus", kUnits, kSkipped},
                      CutCase{"Vorbis", {"-c:a", "libvorbis"}, "ogg", 1, eWindowReach::FromStart}),
    [](const auto& info) { return std::string(info.param.name); });

// A word after a pause: silence, then loud noise at a syllable's pace from
// ten frames before the second of two units on (62 s at 44.1 kHz are 2 670
// AAC frames; units of at least 30 s halve them). A fresh encoder given the
// silence before the word settles into the state the continuous one is in
// and codes the word as it does; one that starts inside the word codes all
// of it worse (its blocks' error passes the continuous encode's by 0.18 of
// their level).
struct PrerollCase {
    const char* name;
    uint64_t frames;
    bool wordCodedWorse;
};

void PrintTo(const PrerollCase& c, std::ostream* os)
{
    *os << c.frames << " frames";
}

class PrerollTest : public WorkUnitTest, public ::testing::WithParamInterface<PrerollCase> {};

TEST_P(PrerollTest, AUnitsEncoderStartsInThePauseBeforeAWord)
{
    constexpr uint64_t seamFrame = 62 * 44100 / 1024 / 2;
    const double wordStart = static_cast<double>((seamFrame - 10) * 1024) / 44100;
    const std::string word = "0.5*(random(0)*2-1)*(0.6+0.4*sin(2*PI*5*t))*between(t\\," +
                             std::to_string(wordStart) + "\\," + std::to_string(wordStart + 0.75) + ")";
    const auto input = Generate("word.wav", word, {"-c:a", "pcm_s16le"}, 62);
    CObservedReader::Record record;
    ConvertWholeAndCut(input, record, GetParam().frames);
    ASSERT_EQ(EncodedLines(), 3);
    const std::vector<double> excess = CutBookExcess(*this, input);
    ASSERT_GT(excess.size(), seamFrame + 16);
    const double mean = std::accumulate(excess.begin() + seamFrame, excess.begin() + seamFrame + 16, 0.0) / 16;
    EXPECT_EQ(mean > 0.1, GetParam().wordCodedWorse) << "the word's first 16 blocks in the second unit: " << mean;
}

INSTANTIATE_TEST_SUITE_P(Units, PrerollTest,
                         ::testing::Values(PrerollCase{"FourFrames", 4, true},
                                           PrerollCase{"TheEngines", kPrerollFrames, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// MP3 files as people join and damage them, with their 100 s in two halves.
enum class Irregularity { CatJoined, DamagedHeader, RateChange };

std::string IrregularityName(Irregularity kind)
{
    switch (kind) {
    case Irregularity::CatJoined:
        return "CatJoined";
    case Irregularity::DamagedHeader:
        return "DamagedHeader";
    case Irregularity::RateChange:
        return "RateChange";
    }
    return {};
}

class IrregularMp3Test : public WorkUnitTest, public ::testing::WithParamInterface<Irregularity> {
protected:
    std::filesystem::path Make(Irregularity kind)
    {
        const std::vector<std::string> mp3 = {"-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0"};
        const auto first = Sweep("first.mp3", mp3, kSeconds / 2);
        const auto second = Sweep("second.mp3", mp3, kSeconds / 2, kind == Irregularity::RateChange ? 48000 : 44100);
        std::vector<uint8_t> bytes = ts::ReadAll(first);
        if (kind == Irregularity::DamagedHeader) {
            bytes = ts::ReadAll(Sweep("whole.mp3", mp3));
            // The sync byte of a frame in the middle: the parser merges that
            // frame into the one before it, which the decoder then refuses.
            size_t at = bytes.size() / 2;
            while (at + 420 < bytes.size() &&
                   !(bytes[at] == 0xFF && bytes[at + 1] == 0xFB && (bytes[at + 2] & 0xF0) == 0x90 &&
                     bytes[at + 417 + ((bytes[at + 2] >> 1) & 1)] == 0xFF))
                ++at;
            bytes[at] = 0;
        } else {
            // Joined as `cat` joins them: the second file's ID3 tag in the middle.
            const std::vector<uint8_t> rest = ts::ReadAll(second);
            bytes.insert(bytes.end(), rest.begin(), rest.end());
        }
        const auto joined = m_dir / "joined.mp3";
        ts::WriteAll(joined, bytes);
        return joined;
    }
};

// The units after the stretch that does not run on decode from the start, so
// that the cut book has a whole encode's samples; a file whose rate changes
// stays whole.
TEST_P(IrregularMp3Test, ACutBookHasTheSamplesOfAWholeEncode)
{
    const auto input = Make(GetParam());
    const bool rateChanges = GetParam() == Irregularity::RateChange;
    const std::map<eWindowReach, int> reached = ExpectCutBookLikeWhole(*this, input, rateChanges ? 1 : kUnits);
    if (!rateChanges) {
        EXPECT_EQ(reached.at(eWindowReach::FromStart), 2);
        EXPECT_EQ(reached.at(kSkipped), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Mp3, IrregularMp3Test,
                         ::testing::Values(Irregularity::CatJoined, Irregularity::DamagedHeader,
                                           Irregularity::RateChange),
                         [](const auto& info) { return IrregularityName(info.param); });

// An aborted book is a prefix of the book: the first unit is held back until
// the later ones have streamed all their audio, then the conversion is
// aborted; their frames must not follow the first unit's.
TEST_F(WorkUnitTest, AnAbortLeavesAPrefixOfTheBook)
{
    const auto input = Sweep("sweep.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"});
    CEvent release(true, false);
    std::atomic<int> ended{0};
    // Holds its first pull until released; counts the readers that reached their end.
    class CHeldReader : public CPcmReader {
    public:
        CHeldReader(const std::atomic<bool>& stop, CEvent* hold, std::atomic<int>& ended)
            : CPcmReader(stop), m_pHold(hold), m_ended(ended)
        {
        }
        ePull Pull(sPcmSpan& block) override
        {
            if (CEvent* hold = std::exchange(m_pHold, nullptr))
                hold->Wait(INFINITE_WAIT);
            const ePull pulled = CPcmReader::Pull(block);
            if (pulled == ePull::End && !std::exchange(m_bEnded, true))
                ++m_ended;
            return pulled;
        }

    private:
        CEvent* m_pHold;
        std::atomic<int>& m_ended;
        bool m_bEnded = false;
    };
    std::atomic<int> readers{0};
    m_factory = [&](const std::atomic<bool>& stop) {
        return std::make_unique<CHeldReader>(stop, readers.fetch_add(1) == 0 ? &release : nullptr, ended);
    };
    {
        CThreadPool pool(kPoolSize);
        CConverter job(Context(input, m_dir / "aborted.m4b", pool));
        job.Start();
        while (ended.load() < kUnits - 1 && !job.WaitForEnd(10)) {
        }
        job.Abort();
        release.Set();
        ASSERT_TRUE(job.WaitForEnd(300000));
        EXPECT_EQ(job.Outcome().m_eOutcome, eOutcome::Aborted);
    }  // the book is closed with its job
    // Nothing of the later units: at most the first unit's third of the file.
    const size_t frames = ts::ProbePackets(m_dir / "aborted.m4b").size();
    EXPECT_LT(static_cast<double>(frames) * 1024, kSeconds / kUnits * 44100);
}

TEST_F(WorkUnitTest, AFailureOrAnAbortInsideACutFileEndsTheConversion)
{
    const auto input = Sweep("sweep.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"});
    // The third unit finds no file where the book had one.
    class CMovedReader : public CPcmReader {
    public:
        CMovedReader(const std::atomic<bool>& stop, std::u16string moved) : CPcmReader(stop), m_moved(std::move(moved)) {}
        eReadError Open(const std::u16string&, const std::optional<sPcmFormat>& required) override
        {
            return CPcmReader::Open(m_moved, required);
        }

    private:
        const std::u16string m_moved;
    };
    std::atomic<int> readers{0};
    m_factory = [&](const std::atomic<bool>& stop) -> std::unique_ptr<CPcmReader> {
        if (readers.fetch_add(1) == 2)
            return std::make_unique<CMovedReader>(stop, FromPath(m_dir / "gone.mp3"));
        return std::make_unique<CPcmReader>(stop);
    };
    const sConversionOutcome failed = Convert(input, m_dir / "failed.m4b", kPoolSize);
    EXPECT_EQ(failed.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(failed.m_strError, u"Can't read file " + FromPath(input));

    m_factory = nullptr;
    const sConversionOutcome aborted = Convert(input, m_dir / "aborted.m4b", kPoolSize, 40);
    EXPECT_EQ(aborted.m_eOutcome, eOutcome::Aborted);
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(m_dir / "aborted.m4b", &errors)) << errors;
}

// Every file is covered frame for frame; a file of unknown length stays
// whole, as do short files and files that cannot be cut, whose length still
// counts in the unit length; one processor never shares a file.
TEST(WorkPlanTest, LongFilesAreCutIntoEvenUnitsThatCoverThem)
{
    const std::vector<sPlannedFile> files = {{100000, true}, {0, true}, {2000, true}, {50000, true}, {50000, false}};
    for (const int processors : {1, 2, 16}) {
        const std::vector<sWorkUnit> units = PlanWorkUnits(files, processors, 1000);
        std::vector<int> perFile(files.size(), 0);
        uint64_t next = 0;
        for (size_t i = 0; i < units.size(); ++i) {
            const sWorkUnit& unit = units[i];
            ++perFile[unit.file];
            EXPECT_EQ(unit.firstFrame, unit.First() ? 0 : next);
            EXPECT_EQ(unit.index + 1 == unit.count, unit.endFrame == kToFileEnd);
            if (!unit.Last()) {
                EXPECT_GE(unit.endFrame - unit.firstFrame, 1000u);
                next = unit.endFrame;
            }
        }
        EXPECT_EQ(perFile[1], 1);
        EXPECT_EQ(perFile[2], 1);
        EXPECT_EQ(perFile[4], 1);
        EXPECT_EQ(perFile[0] == 1 && perFile[3] == 1, processors == 1) << processors;
        if (processors == 2) {
            // 202 000 frames over 8 units: units of 25 250 frames, whole files counted.
            EXPECT_EQ(perFile[0], 3);
            EXPECT_EQ(perFile[3], 1);
        }
    }
    // A file that the check refuses stays whole; the check is asked only of
    // files worth cutting.
    std::vector<size_t> asked;
    const auto units = PlanWorkUnits(files, 2, 1000, [&asked](size_t file) {
        asked.push_back(file);
        return false;
    });
    EXPECT_EQ(units.size(), files.size());
    EXPECT_EQ(asked, std::vector<size_t>{0});
}

}  // namespace
