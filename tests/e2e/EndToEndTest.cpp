// Whole conversions of real files through the engine: FFmpeg decoding, the
// AAC encoder and the book writer, read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cmath>
#include <cstring>

#include "decode/MediaChapters.h"
#include "tests/support/BoxReader.h"
#include "engine/Converter.h"
#include "tests/support/Probe.h"
#include "engine/Settings.h"
#include "engine/ThreadPool.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

namespace {

namespace ts = testsupport;

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override { m_output = FromPath(m_dir / "book.m4b"); }

    std::filesystem::path Tone(const std::string& name, double seconds, int rate, int channels,
                               const std::vector<std::string>& codec, double frequency = 440.0)
    {
        const auto path = m_dir / name;
        ts::GenerateTone(path, seconds, rate, channels, frequency, codec);
        return path;
    }

    void Add(const std::filesystem::path& path, const std::string& title = {})
    {
        m_files.push_back({FromPath(path), FromUtf8(title.empty() ? path.stem().string() : title),
                           QueryFileSizeLow32(FromPath(path))});
    }

    // Converts the list; `abortAtSeconds` > 0 aborts once the files have been
    // decoded that far (the job's progress position).
    void Convert(int abortAtSeconds = 0, IConsoleSink& console = StandardStreams())
    {
        sConversionContext context;
        context.m_metadata = m_metadata;
        context.m_files = m_files;
        context.m_cover = m_cover;
        context.m_strOutput = m_output;
        context.m_encoding = ReadEncodingChoice(m_dir / "Tavlin.ini", std::nullopt, m_bReencode);
        context.m_pPool = &m_pool;
        context.m_pConsole = &console;
        CConverter job(std::move(context));
        m_pJob = &job;
        job.Start();
        if (abortAtSeconds > 0) {
            int position = 0;
            int total = 0;
            while (!job.WaitForEnd(10) && position < abortAtSeconds)
                job.GetProgress(position, total);
            job.Abort();
        }
        ASSERT_TRUE(job.WaitForEnd(120000));
        m_pJob = nullptr;
        m_strError = job.Outcome().m_strError;
    }

    std::filesystem::path Output() const { return ToPath(m_output); }

    double InputSeconds(const std::filesystem::path& file)
    {
        return ts::ProbeFormat(file).duration;
    }

    ts::TempDir m_dir;
    sTagInfo m_metadata;
    sCoverData m_cover;
    std::vector<sInputFile> m_files;
    std::u16string m_output;
    bool m_bReencode = false;  // as --reencode; a bit rate comes from m_dir's Tavlin.ini
    CThreadPool m_pool;
    std::atomic<CConverter*> m_pJob{nullptr};  // while Convert runs
    std::u16string m_strError;                 // how the last conversion failed
};

const std::vector<std::string> kMp3 = {"-c:a", "libmp3lame", "-b:a", "128k"};
const std::vector<std::string> kWma = {"-c:a", "wmav2", "-b:a", "96k"};
const std::vector<std::string> kWav16 = {"-c:a", "pcm_s16le"};
const std::vector<std::string> kWav8 = {"-c:a", "pcm_u8"};
const std::vector<std::string> kWav24 = {"-c:a", "pcm_s24le"};

TEST_F(EndToEndTest, FormatsAndOddNamesConvertIntoOneCleanBook)
{
    const std::vector<std::filesystem::path> inputs = {
        Tone("01 lame stereo.mp3", 2.0, 44100, 2, kMp3),
        Tone("02 \"quoted\" 'name'.wma", 1.5, 44100, 2, kWma),
        Tone("03 kapitel \xc3\xbc\xc3\xa9 \xd0\xba\xd0\xbd.wav", 1.0, 48000, 1, kWav16),
        Tone("04 eight bit.wav", 1.0, 22050, 1, kWav8),
        Tone("05 twentyfour.wav", 1.0, 44100, 2, kWav24),
        Tone("06 surround.wav", 1.0, 48000, 6, kWav16),
    };
    double total = 0;
    for (const auto& input : inputs) {
        Add(input);
        total += InputSeconds(input);
    }
    m_metadata.m_details[eDetail::Artist] = u"Perf\u00f6rmer";
    m_metadata.m_details[eDetail::Album] = u"Album";
    Convert();
    ASSERT_EQ(m_strError, u"");

    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    auto format = ts::ProbeFormat(Output());
    EXPECT_EQ(format.audioStreams, 1);
    // Each file adds its encoder's priming frame; nothing is lost.
    const double frame = 1024.0 / 44100.0;
    EXPECT_GE(format.duration, total - 0.01);
    EXPECT_LE(format.duration, total + inputs.size() * 2 * frame);
    EXPECT_EQ(format.tags["artist"], "Perf\xc3\xb6rmer");

    const auto chapters = ts::ProbeChapters(Output());
    ASSERT_EQ(chapters.size(), inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i)
        EXPECT_EQ(chapters[i].title, inputs[i].stem().string());
}

TEST_F(EndToEndTest, AFileNameInAnotherEncodingIsReadByItsOwnBytes)
{
    const auto latin1 = m_dir / std::filesystem::path("Caf\xe9 \xc0\xae.wav");
    ts::GenerateTone(m_dir / "plain.wav", 1.0, 44100, 2, 440.0, kWav16);
    std::filesystem::rename(m_dir / "plain.wav", latin1);
    Add(latin1, "Caf\xc3\xa9");
    Convert();
    ASSERT_EQ(m_strError, u"");
    EXPECT_EQ(ts::ProbeChapters(Output()).size(), 1u);
}

TEST_F(EndToEndTest, MixedRatesAndChannelsConvertInTheFirstFilesFormat)
{
    Add(Tone("a.wav", 1.0, 22050, 1, kWav16));
    Add(Tone("b.mp3", 1.0, 48000, 2, kMp3));
    Add(Tone("c.wav", 1.0, 44100, 6, kWav16));
    Convert();
    ASSERT_EQ(m_strError, u"");
    const auto r = ts::Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                            "stream=sample_rate,channels", "-of", "csv=p=0", Output().string()});
    EXPECT_EQ(r.output, "22050,1\n");
    EXPECT_EQ(ts::ProbeChapters(Output()).size(), 3u);
    EXPECT_TRUE(ts::DecodesCleanly(Output()));
}

// Each file is a tone of its own odd length, so that where a file's own audio
// ends can be found in the decoded book: there its tone stops, and the silence
// that fills its last frame and the next file's priming frame follow.
TEST_F(EndToEndTest, FiftyChaptersStartWhereTheFileBeforeEndsInBothKindsOfPlayer)
{
    const int files = 50;
    for (int i = 0; i < files; ++i) {
        const auto path = m_dir / ("part " + std::to_string(100 + i) + ".wav");
        char duration[16];
        std::snprintf(duration, sizeof duration, "%.4f", 0.25 + (i * 37 % 100) / 1000.0);
        const auto r = ts::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                "sine=frequency=1000:sample_rate=44100:duration=" + std::string(duration), "-ac",
                                "1", "-c:a", "pcm_s16le", path.string()});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        Add(path);
    }
    Convert();
    ASSERT_EQ(m_strError, u"");
    const auto chapters = ts::ProbeChapters(Output());
    ASSERT_EQ(chapters.size(), static_cast<size_t>(files));

    // No frame is short: a decoder puts out a whole frame for every frame.
    ts::BoxReader reader(Output());
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    ts::TrackTables audio;
    std::string error;
    ASSERT_TRUE(ts::ReadTrackTables(reader, *reader.Find("moov/trak[0]/mdia/minf/stbl"), &audio, &error)) << error;
    const auto durations = audio.SampleDurations();
    EXPECT_EQ(std::count(durations.begin(), durations.end(), 1024u), static_cast<long>(durations.size()));

    // Decoded sample by sample, as most players play, and with each frame
    // placed at its timestamp.
    const std::vector<std::string> plain;
    const std::vector<std::string> byTimestamps = {"-af", "aresample=async=1:min_hard_comp=0.0001:first_pts=0"};
    for (const auto* filter : {&plain, &byTimestamps}) {
        const std::vector<double> stops = ts::ToneStops(ts::DecodeMono(Output(), m_dir.Path(), *filter));
        // The encoder smears a tone's abrupt end over a few milliseconds, and
        // chapter times are whole 1/600 s; a priming frame lasts 23 ms.
        ASSERT_EQ(stops.size(), static_cast<size_t>(files)) << (filter == &plain ? "plain" : "timestamps");
        for (int i = 1; i < files; ++i)
            EXPECT_NEAR(chapters[static_cast<size_t>(i)].start, stops[static_cast<size_t>(i - 1)], 0.006)
                << "chapter " << i << (filter == &plain ? ", plain" : ", timestamps");
        EXPECT_NEAR(chapters.back().end, stops.back(), 0.006);
    }
}

// Chapters the files carry, read as the book project reads them: each starts
// where its audio is in the book, whether it opens a file or lies inside one.
// Every chapter is 250 ms of silence, then a tone of its own length, so a
// chapter starts where the tone before it stops.
TEST_F(EndToEndTest, ChaptersInsideFilesStartWhereTheirAudioIsInTheBook)
{
    // An MP4's last frame is decoded whole, its padding included: the MP4
    // comes last, so that no chapter's start depends on it.
    const std::vector<std::pair<std::string, std::vector<std::string>>> files = {
        {"plain.wav", kWav16}, {"two.mp3", kMp3}, {"three.m4b", {"-c:a", "aac", "-b:a", "96k"}}};
    const std::vector<std::vector<ts::ToneChapter>> chapters = {
        {{0.613, "plain"}},
        {{0.857, "Mp3 one"}, {1.203, "Mp3 two"}},
        {{0.713, "M4b one"}, {1.127, "M4b two"}, {0.931, "M4b three"}}};
    std::vector<std::string> titles;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto path = m_dir / files[i].first;
        ts::GenerateToneChapters(path, chapters[i], files[i].second, i > 0);
        Add(path);
        m_files.back().m_chapters = ReadMediaChapters(FromPath(path)).m_chapters;
        ASSERT_EQ(m_files.back().m_chapters.size(), i == 0 ? 0u : chapters[i].size()) << files[i].first;
        for (const auto& chapter : chapters[i])
            titles.push_back(chapter.title);
    }
    Convert();
    ASSERT_EQ(m_strError, u"");

    const auto book = ts::ProbeChapters(Output());
    ASSERT_EQ(book.size(), titles.size());
    const std::vector<double> stops = ts::ToneStops(ts::DecodeMono(Output(), m_dir.Path()));
    ASSERT_EQ(stops.size(), titles.size());
    for (size_t i = 0; i < book.size(); ++i) {
        EXPECT_EQ(book[i].title, titles[i]);
        // Chapter times are whole 1/600 s; the encoder smears a tone's end.
        if (i > 0) {
            EXPECT_NEAR(book[i].start, stops[i - 1], 0.006) << titles[i];
        }
    }
}

TEST_F(EndToEndTest, AnMp3WithACoverPictureAndATruncatedMp3Convert)
{
    const auto png = m_dir / "cover.png";
    auto r = ts::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=32x32",
                      "-frames:v", "1", png.string()});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto tone = Tone("plain.mp3", 2.0, 44100, 2, kMp3);
    const auto withCover = m_dir / "with cover.mp3";
    r = ts::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", tone.string(), "-i", png.string(), "-map", "0",
                 "-map", "1", "-c:a", "copy", "-c:v", "png", "-disposition:v", "attached_pic", "-id3v2_version", "3",
                 withCover.string()});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto bytes = ts::ReadAll(Tone("whole.mp3", 3.0, 44100, 2, kMp3));
    bytes.resize(bytes.size() * 2 / 3);
    ts::WriteAll(m_dir / "truncated.mp3", bytes);

    Add(withCover);
    Add(m_dir / "truncated.mp3");
    Convert();
    ASSERT_EQ(m_strError, u"");
    EXPECT_EQ(ts::ProbeChapters(Output()).size(), 2u);
    EXPECT_TRUE(ts::DecodesCleanly(Output()));
    EXPECT_GT(ts::ProbeFormat(Output()).duration, 3.5);
}

TEST_F(EndToEndTest, UnreadableFirstFilesStopWithTheirPathAndNoBook)
{
    ts::WriteAll(m_dir / "empty.mp3", {});
    ts::WriteText(m_dir / "notes.mp3", "this is not audio at all\n");
    for (const char* name : {"empty.mp3", "notes.mp3", "missing.wav"}) {
        m_files.clear();
        Add(m_dir / name);
        Add(Tone("fine.wav", 0.5, 44100, 2, kWav16));
        Convert();
        EXPECT_EQ(m_strError, u"Can't read file " + FromPath(m_dir / name)) << name;
        EXPECT_FALSE(std::filesystem::exists(Output())) << name;
    }
}

TEST_F(EndToEndTest, AnUnreadableThirdOfFiveKeepsTheEarlierChaptersOnly)
{
    Add(Tone("1.wav", 1.0, 44100, 2, kWav16));
    Add(Tone("2.wav", 1.0, 44100, 2, kWav16));
    ts::WriteText(m_dir / "3.mp3", "garbage");
    Add(m_dir / "3.mp3");
    Add(Tone("4.wav", 1.0, 44100, 2, kWav16));
    Add(Tone("5.wav", 1.0, 44100, 2, kWav16));
    Convert();
    EXPECT_EQ(m_strError, u"Can't read file " + FromPath(m_dir / "3.mp3"));
    const auto chapters = ts::ProbeChapters(Output());
    EXPECT_LE(chapters.size(), 2u);
    for (size_t i = 0; i < chapters.size(); ++i)
        EXPECT_EQ(chapters[i].title, std::to_string(i + 1));
    // The failure stops every running file, the first one too when it is
    // slower than the second: the book holds nothing from the third file on,
    // and a chapter only for a file whose audio is all there.
    const double duration = ts::ProbeFormat(Output()).duration;
    EXPECT_LT(duration, 2.1);
    EXPECT_GT(duration, static_cast<double>(chapters.size()) - 0.05);
    EXPECT_TRUE(ts::DecodesCleanly(Output()));
}

TEST_F(EndToEndTest, AnAbortMidBookLeavesAReadableFileWithTheFinishedChapters)
{
    for (int i = 0; i < 6; ++i)
        Add(Tone("long " + std::to_string(i) + ".wav", 40.0, 44100, 2, kWav16));
    // A file is decoded at most about 1.5 s ahead of its encoder, so once the
    // running files have decoded 12 s between them, frames have been handed on.
    Convert(12);
    EXPECT_EQ(m_strError, u"");
    ASSERT_TRUE(std::filesystem::exists(Output()));
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    const auto chapters = ts::ProbeChapters(Output());
    EXPECT_LT(chapters.size(), 6u);
    for (size_t i = 0; i < chapters.size(); ++i)
        EXPECT_EQ(chapters[i].title, "long " + std::to_string(i));
    // What was encoded before the abort is in the book, and not the rest.
    const double seconds = ts::ProbeFormat(Output()).duration;
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 6 * 40.0);
}

// Formats that state neither their encoder's priming nor their length:
// their last frame is decoded whole, with the silence that fills it, so the
// next chapter starts where the file's audio ends or less than one frame of
// the format later, never before (no guessed priming is taken off).
struct UnstatedEnd {
    const char* name;
    const char* extension;
    std::vector<std::string> codec;
    int frameSamples;
};

class UnstatedEndTest : public EndToEndTest, public ::testing::WithParamInterface<UnstatedEnd> {};

TEST_P(UnstatedEndTest, TheNextChapterStartsWithinTheFilesLastFrame)
{
    const UnstatedEnd& c = GetParam();
    // Mono, so that the decoded book is the tone as it was, not a downmix.
    Add(Tone(std::string("one.") + c.extension, 0.5, 44100, 1, c.codec, 440));
    Add(Tone("two.wav", 0.5, 44100, 1, kWav16, 880));
    Convert();
    ASSERT_EQ(m_strError, u"");
    const auto chapters = ts::ProbeChapters(Output());
    ASSERT_EQ(chapters.size(), 2u);
    const std::vector<double> stops = ts::ToneStops(ts::DecodeMono(Output(), m_dir.Path()));
    ASSERT_EQ(stops.size(), 2u);
    // A tone's end is smeared over a few milliseconds; chapter times are whole 1/600 s.
    EXPECT_GE(chapters[1].start, stops[0] - 0.006);
    EXPECT_LE(chapters[1].start, stops[0] + c.frameSamples / 44100.0 + 0.006);
}

INSTANTIATE_TEST_SUITE_P(Formats, UnstatedEndTest,
                         ::testing::Values(UnstatedEnd{"Adts", "aac", {"-c:a", "aac", "-b:a", "96k"}, 1024},
                                           UnstatedEnd{"Ac3", "ac3", {"-c:a", "ac3"}, 1536},
                                           UnstatedEnd{"Wma", "wma", kWma, 2048}),
                         [](const ::testing::TestParamInfo<UnstatedEnd>& info) { return std::string(info.param.name); });

// Books of AAC files: their frames are copied when every file is AAC-LC
// alike and no bit rate is asked for; otherwise the whole book is encoded.
const std::vector<std::string> kAac = {"-c:a", "aac", "-b:a", "96k"};

class AacCopyTest : public EndToEndTest {
protected:
    // Whether the book's first packets are the first file's, byte for byte.
    bool StartsWithFramesOf(const std::filesystem::path& input)
    {
        const auto theirs = ts::ProbePackets(input);
        const auto ours = ts::ProbePackets(Output());
        if (theirs.empty() || ours.size() < theirs.size())
            return false;
        for (size_t i = 0; i < theirs.size(); ++i) {
            if (ours[i].hash != theirs[i].hash)
                return false;
        }
        return true;
    }
};

struct CopyCase {
    const char* name;
    int thirdRate;
    std::vector<std::string> thirdCodec;
    void (*setUp)(const std::filesystem::path& dir, bool& reencode);
    bool copied;
};

class AacCopyChoiceTest : public AacCopyTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(AacCopyChoiceTest, FramesAreCopiedOnlyWhenEveryFileIsAacLcAlikeAndNoBitRateIsAsked)
{
    const CopyCase& c = GetParam();
    const auto first = Tone("one.m4a", 1.3, 44100, 2, kAac, 300);
    Add(first);
    const auto adts = Tone("two.aac", 0.7, 44100, 2, kAac, 500);
    Add(adts);
    Add(Tone("three.m4a", 0.9, c.thirdRate, 2, c.thirdCodec, 700));
    if (c.setUp)
        c.setUp(m_dir.Path(), m_bReencode);
    Convert();
    ASSERT_EQ(m_strError, u"");
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    EXPECT_EQ(StartsWithFramesOf(first), c.copied);
    EXPECT_EQ(ts::ProbeChapters(Output()).size(), 3u);
}

const std::vector<std::string> kAacMain = {"-c:a", "aac", "-profile:a", "aac_main", "-b:a", "96k"};

INSTANTIATE_TEST_SUITE_P(
    Books, AacCopyChoiceTest,
    ::testing::Values(CopyCase{"AllAlike", 44100, kAac, nullptr, true},
                      CopyCase{"OneAtAnotherRate", 48000, kAac, nullptr, false},
                      CopyCase{"OneNotLowComplexity", 44100, kAacMain, nullptr, false},
                      CopyCase{"BitRateInSettings", 44100, kAac,
                               [](const std::filesystem::path& dir, bool&) {
                                   ts::WriteText(dir / "Tavlin.ini", "[options]\nbitrate=48000\n");
                               },
                               false},
                      CopyCase{"Reencode", 44100, kAac, [](const std::filesystem::path&, bool& reencode) { reencode = true; },
                               false}),
    [](const ::testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

TEST_F(AacCopyTest, ACopiedBookDecodesCleanlyInWholeFramesWithItsFilesLengthAndChapters)
{
    const double seconds[] = {1.3, 2.2, 0.9};
    double total = 0;
    std::vector<double> starts;
    for (int i = 0; i < 3; ++i) {
        starts.push_back(total);
        const auto file = Tone("part " + std::to_string(i) + ".m4a", seconds[i], 44100, 2, kAac, 300 + 200 * i);
        Add(file);
        total += InputSeconds(file);
    }
    Convert();
    ASSERT_EQ(m_strError, u"");
    ASSERT_TRUE(StartsWithFramesOf(ToPath(m_files.front().m_strPath)));
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    // Players that play every decoded sample see whole frames only; the
    // book's edit list may cut its last.
    const auto packets = ts::ProbePackets(Output());
    ASSERT_GT(packets.size(), 1u);
    for (size_t i = 0; i + 1 < packets.size(); ++i)
        ASSERT_EQ(packets[i].duration, 1024) << i;
    // Between two files the book keeps the padding of the one's last frame
    // and the other's priming, less than two frames; a chapter starts where
    // its file's audio does.
    const double gap = 2 * 1024.0 / 44100;
    EXPECT_GE(ts::ProbeFormat(Output()).duration, total - 0.001);
    EXPECT_LE(ts::ProbeFormat(Output()).duration, total + 2 * gap);
    const auto chapters = ts::ProbeChapters(Output());
    ASSERT_EQ(chapters.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_GE(chapters[i].start, starts[i] - 0.002) << i;
        EXPECT_LE(chapters[i].start, starts[i] + (i > 0 ? i - 1 : 0) * gap + 0.002) << i;
    }
}

// M4A files as iTunes writes them: no edit list, every frame 1024 samples
// long in the sample table, and an iTunSMPB tag that states the priming, the
// padding after the audio and the audio's length. Copied or encoded, each
// file lasts its own samples: a chapter starts where the file before it ends,
// and a one-file book lasts its file.
class GaplessTagTest : public AacCopyTest, public ::testing::WithParamInterface<bool> {
protected:
    // `samples` of a tone at 44.1 kHz; FFmpeg's AAC encoder primes 1024.
    std::filesystem::path GaplessM4a(const std::string& name, int samples, double frequency)
    {
        const auto adts = Tone(name + ".aac", samples / 44100.0, 44100, 2, kAac, frequency);
        const auto m4a = m_dir / (name + ".m4a");
        const auto r = ts::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", adts.string(), "-c", "copy",
                                "-use_editlist", "0", m4a.string()});
        EXPECT_EQ(r.exitCode, 0) << r.output;
        const long framed = static_cast<long>(ts::ProbePackets(m4a).size()) * 1024;
        char tag[128];
        std::snprintf(tag, sizeof tag, " 00000000 %08X %08lX %016X", 1024, framed - 1024 - samples, samples);
        EXPECT_TRUE(ts::AddFreeformTag(m4a, "iTunSMPB", tag));
        return m4a;
    }
};

TEST_P(GaplessTagTest, AFileWithoutAnEditListLastsWhatItsITunSmpbTagSays)
{
    m_bReencode = GetParam();
    const int first = 22050;
    const int second = 30870;
    Add(GaplessM4a("one", first, 440));
    Add(GaplessM4a("two", second, 880));
    Convert();
    ASSERT_EQ(m_strError, u"");
    EXPECT_EQ(StartsWithFramesOf(ToPath(m_files.front().m_strPath)), !GetParam());
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    const auto chapters = ts::ProbeChapters(Output());
    ASSERT_EQ(chapters.size(), 2u);
    // Chapter times are whole 1/600 s; the padding is 478 samples (11 ms).
    EXPECT_NEAR(chapters[1].start, first / 44100.0, 1.0 / 600);

    m_files.erase(m_files.begin());
    Convert();
    ASSERT_EQ(m_strError, u"");
    EXPECT_NEAR(ts::ProbeFormat(Output()).duration, second / 44100.0, 0.0001);
}

INSTANTIATE_TEST_SUITE_P(Books, GaplessTagTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Encoded" : "Copied");
                         });

// Aborts the job when the first file has handed on all its frames: the file
// of `frames` frames, the only one of that length (files are copied in
// parallel, and another may end first).
class AbortAfterFirstFile : public IConsoleSink {
public:
    AbortAfterFirstFile(const std::atomic<CConverter*>& job, size_t frames)
        : m_job(job), m_line("Encoded " + std::to_string(frames) + " ")
    {
    }
    void Write(eStream, const std::string& line) override
    {
        if (CConverter* job = m_job.load(); job && line.rfind(m_line, 0) == 0)
            job->Abort();
    }

private:
    const std::atomic<CConverter*>& m_job;
    const std::string m_line;
};

TEST_F(AacCopyTest, AnAbortDuringACopiedBookLeavesAReadableFile)
{
    for (int i = 0; i < 4; ++i)
        Add(Tone("long " + std::to_string(i) + ".m4a", i == 0 ? 20.0 : 25.0, 44100, 2, kAac));
    AbortAfterFirstFile console(m_pJob, ts::ProbePackets(ToPath(m_files.front().m_strPath)).size());
    Convert(0, console);
    EXPECT_EQ(m_strError, u"");
    ASSERT_TRUE(std::filesystem::exists(Output()));
    ASSERT_TRUE(StartsWithFramesOf(ToPath(m_files.front().m_strPath)));
    std::string errors;
    EXPECT_TRUE(ts::DecodesCleanly(Output(), &errors)) << errors;
    const double seconds = ts::ProbeFormat(Output()).duration;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LT(seconds, 20.0 + 3 * 25.0);
}

}  // namespace
