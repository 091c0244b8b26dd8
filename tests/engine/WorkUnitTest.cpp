// Long files cut into work units, through the real decoders and encoder: the
// units of a file join into the audio one continuous encode gives, in book
// order whichever finishes first, and a failure or an abort inside a cut file
// ends the conversion as it does for whole files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "base/EngineState.h"
#include "base/Text.h"
#include "engine/Converter.h"
#include "engine/GraphFactory.h"
#include "engine/Settings.h"
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

// Starts streaming a second late, so that the units after it finish first.
class CLateGraph : public CGraphSound {
public:
    using CGraphSound::CGraphSound;
    HRESULT Run() override
    {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return CGraphSound::Run();
    }
};

class WorkUnitTest : public ::testing::Test {
protected:
    void SetUp() override { SetForceReencode(true); }
    void TearDown() override
    {
        SetGraphFactory(nullptr);
        SetForceReencode(false);
    }

    // A rising tone over a steady one: a click where two units meet badly
    // stands out against it.
    std::filesystem::path Sweep(const std::string& name, const std::vector<std::string>& codec)
    {
        const auto path = m_dir / name;
        std::vector<std::string> command = {
            "ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
            "aevalsrc=exprs=0.4*sin(2*PI*(300*t+20*t*t))+0.1*sin(2*PI*1234*t):s=44100:d=" +
                std::to_string(static_cast<int>(kSeconds)),
            "-ac", "2"};
        command.insert(command.end(), codec.begin(), codec.end());
        command.push_back(path.string());
        const auto r = ts::Run(command);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return path;
    }

    sConversionOutcome Convert(const std::filesystem::path& input, const std::filesystem::path& book, int poolSize,
                               int abortAtSeconds = 0)
    {
        const std::vector<sInputFile> files = {
            {FromPath(input), u"Sweep", QueryFileSizeLow32(FromPath(input))}};
        const std::u16string output = FromPath(book);
        CThreadPool pool(poolSize);
        CConverter job(&m_metadata, &files, &m_cover, &output, m_console, pool);
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

    int EncodedLines() const
    {
        const auto lines = m_console.Lines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("out: Encoded ", 0) == 0;
        }));
    }

    ts::TempDir m_dir;
    sTagInfo m_metadata;
    sCoverData m_cover;
    CRecordingConsole m_console;
};

struct CutCase {
    const char* name;
    std::vector<std::string> codec;
    const char* extension;
    int units;  // what the file is cut into
};

void PrintTo(const CutCase& c, std::ostream* os)
{
    *os << c.name;
}

class CutFileTest : public WorkUnitTest, public ::testing::WithParamInterface<CutCase> {};

// Each way of reaching a unit's first sample: a seek (WAV, FLAC), packets
// read without decoding (MP3, ADTS and M4A AAC, Opus); a Vorbis file, whose
// samples only a decode from the start would find, stays whole.
TEST_P(CutFileTest, UnitsJoinIntoTheAudioOfOneContinuousEncode)
{
    const CutCase& c = GetParam();
    const auto input = Sweep(std::string("sweep.") + c.extension, c.codec);
    ASSERT_EQ(Convert(input, m_dir / "whole.m4b", 1).m_eOutcome, eOutcome::Completed);
    ASSERT_EQ(EncodedLines(), 1);

    std::atomic<int> graphs{0};
    SetGraphFactory([&graphs](const std::u16string& path, const WAVEFORMATEX* required) {
        std::unique_ptr<CGraphSound> graph;
        if (graphs.fetch_add(1) == 0)
            graph = std::make_unique<CLateGraph>(path, required);
        else
            graph = std::make_unique<CGraphSound>(path, required);
        return graph;
    });
    ASSERT_EQ(Convert(input, m_dir / "cut.m4b", kPoolSize).m_eOutcome, eOutcome::Completed);
    EXPECT_EQ(EncodedLines(), 1 + c.units);

    const auto source = ts::DecodeMono(input, m_dir.Path());
    const auto whole = ts::DecodeMono(m_dir / "whole.m4b", m_dir.Path());
    const auto cut = ts::DecodeMono(m_dir / "cut.m4b", m_dir.Path());
    ASSERT_EQ(cut.size(), whole.size());
    ASSERT_GE(source.size() + 1024, cut.size());
    // Block by block, the cut book's error against the source may not pass
    // the whole book's by much against the block's own level: a seam where
    // units overlap, leave a gap or meet without pre-roll scores 0.5 and far
    // more.
    const size_t blocks = std::min(source.size(), cut.size()) / 1024;
    const auto rms = [](auto diff) {
        double sum = 0;
        for (size_t i = 0; i < 1024; ++i)
            sum += diff(i) * diff(i);
        return std::sqrt(sum / 1024);
    };
    double worst = 0;
    size_t worstBlock = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t at = b * 1024;
        const double level = rms([&](size_t i) { return static_cast<double>(source[at + i]); });
        const double cutError = rms([&](size_t i) { return static_cast<double>(cut[at + i]) - source[at + i]; });
        const double wholeError = rms([&](size_t i) { return static_cast<double>(whole[at + i]) - source[at + i]; });
        const double excess = (cutError - wholeError) / (level + 100);
        if (excess > worst) {
            worst = excess;
            worstBlock = b;
        }
    }
    EXPECT_LT(worst, 0.2) << "block " << worstBlock << " of " << blocks;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CutFileTest,
    ::testing::Values(CutCase{"Wav", {"-c:a", "pcm_s16le"}, "wav", kUnits},
                      CutCase{"Flac", {"-c:a", "flac"}, "flac", kUnits},
                      CutCase{"Mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}, "mp3", kUnits},
                      CutCase{"Adts", {"-c:a", "aac", "-b:a", "128k"}, "aac", kUnits},
                      CutCase{"M4a", {"-c:a", "aac", "-b:a", "128k"}, "m4a", kUnits},
                      CutCase{"Opus", {"-c:a", "libopus"}, "opus", kUnits},
                      CutCase{"Vorbis", {"-c:a", "libvorbis"}, "ogg", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkUnitTest, AFailureOrAnAbortInsideACutFileEndsTheConversion)
{
    const auto input = Sweep("sweep.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"});
    // The third unit finds no file where the book had one.
    std::atomic<int> graphs{0};
    SetGraphFactory([&](const std::u16string& path, const WAVEFORMATEX* required) {
        const bool third = graphs.fetch_add(1) == 2;
        return std::make_unique<CGraphSound>(third ? FromPath(m_dir / "gone.mp3") : path, required);
    });
    const sConversionOutcome failed = Convert(input, m_dir / "failed.m4b", kPoolSize);
    EXPECT_EQ(failed.m_eOutcome, eOutcome::Failed);
    EXPECT_EQ(failed.m_strError, u"Can't read file " + FromPath(input));

    SetGraphFactory(nullptr);
    const sConversionOutcome aborted = Convert(input, m_dir / "aborted.m4b", kPoolSize, 40);
    EXPECT_EQ(aborted.m_eOutcome, eOutcome::Aborted);
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(m_dir / "aborted.m4b", &errors)) << errors;
}

// Every file is covered frame for frame; a file of unknown length stays
// whole, as do short files; one processor never shares a file.
TEST(WorkPlanTest, LongFilesAreCutIntoEvenUnitsThatCoverThem)
{
    const std::vector<uint64_t> frames = {100000, 0, 2000, 50000};
    for (const int processors : {1, 2, 16}) {
        const std::vector<sWorkUnit> units = PlanWorkUnits(frames, processors, 1000);
        std::vector<int> perFile(frames.size(), 0);
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
        EXPECT_EQ(perFile[0] == 1 && perFile[3] == 1, processors == 1) << processors;
        if (processors == 16) {
            EXPECT_GE(units.size(), 4u * 16u - 1u);
        }
    }
}

}  // namespace
