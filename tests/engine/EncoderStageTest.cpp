// The AAC stage of one file, fed by a PCM source standing in for the decoder.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "engine/UnitEncoder.h"
#include "FakeReader.h"
#include "engine/Settings.h"
#include "tests/support/TestSupport.h"

namespace {

struct RecordedFrame {
    int size;
    uint64_t duration;
};

class CRecordingWriter : public IWriterCallback {
public:
    void OnFrame(const uint8_t*, int size, uint64_t duration) override
    {
        frames.push_back({size, duration});
        if (frames.size() == stopAfterFrames && onStop)
            onStop();
    }
    void OnEnd(uint64_t samples) override
    {
        ++ends;
        fileSamples = samples;
    }
    uint64_t TotalDuration() const
    {
        uint64_t sum = 0;
        for (const auto& f : frames)
            sum += f.duration;
        return sum;
    }
    uint64_t TotalBytes() const
    {
        uint64_t sum = 0;
        for (const auto& f : frames)
            sum += static_cast<uint64_t>(f.size);
        return sum;
    }
    std::vector<RecordedFrame> frames;
    // Called once, from the encoding thread, when that many frames are in.
    size_t stopAfterFrames = 0;
    std::function<void()> onStop;
    int ends = 0;
    uint64_t fileSamples = 0;
};

class EncoderStageTest : public ::testing::Test {
protected:
    void SetUp() override { m_context.m_openReader = m_fakes.Factory(); }

    // Encodes one fake file as a book's first file, into whose format it
    // negotiates `format`; returns the file's own samples as its end
    // reported them.
    uint64_t Encode(const FakeSource& source, CRecordingWriter& writer, WAVEFORMATEX& format)
    {
        FakeSources::Instance().Add(u"/fake/file.wav", source);
        sInputFile input{u"/fake/file.wav", u"file", 0};
        m_context.m_encoding = ReadEncodingChoice(m_dir / "Tavlin.ini");
        CUnitEncoder encoder(m_context, m_run, nullptr, input, &writer);
        format = encoder.Format();
        EXPECT_TRUE(encoder.HasReader());
        if (!encoder.HasReader())
            return 0;
        encoder.Run();
        return writer.fileSamples;
    }

    testsupport::TempDir m_dir;
    FakeSources::Installed m_fakes;
    sConversionContext m_context;
    CRunState m_run;
};

TEST_F(EncoderStageTest, StereoTenBlocksGiveFramesOfOneFrameLengthAndExactSamplesIn)
{
    FakeSource source;
    source.frames = 10 * 1024;
    CRecordingWriter writer;
    WAVEFORMATEX format{};
    EXPECT_EQ(Encode(source, writer, format), 10u * 1024u);
    EXPECT_EQ(format.nChannels, 2);  // the first file fixes the book's format
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(writer.ends, 1);
    EXPECT_LE(writer.TotalDuration(), 11u * 1024u);
    EXPECT_EQ(writer.TotalDuration(), 11u * 1024u);  // priming frame + 10 frames
    for (const auto& frame : writer.frames)
        EXPECT_LE(frame.duration, 1024u);
}

TEST_F(EncoderStageTest, MonoUsesBlocksOf1024Samples)
{
    FakeSource source;
    source.channels = 1;
    source.frames = 3 * 1024;
    FakeSources::Instance().Add(u"/fake/mono.wav", source);
    sInputFile input{u"/fake/mono.wav", u"mono", 0};
    CRecordingWriter writer;
    CUnitEncoder encoder(m_context, m_run, nullptr, input, &writer);
    ASSERT_TRUE(encoder.HasReader());
    EXPECT_EQ(encoder.Queue().BlockSize(), 1024);
    encoder.Run();
    EXPECT_EQ(encoder.SamplesIn(), 3u * 1024u);
}

// Players that play every decoded sample get a whole frame from every frame:
// the last block is filled up with silence, so that no frame is short (or
// empty), and the end reports the file's own samples without it.
class WholeFramesTest : public EncoderStageTest, public ::testing::WithParamInterface<uint64_t> {};

TEST_P(WholeFramesTest, EveryFrameLastsOneFrameLengthAndTheEndCountsOnlyTheFilesSamples)
{
    FakeSource source;
    source.frames = GetParam();
    CRecordingWriter writer;
    WAVEFORMATEX format{};
    EXPECT_EQ(Encode(source, writer, format), GetParam());
    const uint64_t blocks = (GetParam() + 1023) / 1024;
    EXPECT_EQ(writer.frames.size(), blocks + 1);  // the priming frame, then one per block
    for (const auto& frame : writer.frames)
        EXPECT_EQ(frame.duration, 1024u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, WholeFramesTest, ::testing::Values(1, 1023, 1024, 1025, 10 * 1024 + 333));

TEST_F(EncoderStageTest, BitRateComesFromTheSettingsFileAsTheConversionIsBuilt)
{
    FakeSource source;
    source.frames = 44100 * 4;
    const double seconds = 4.0;

    testsupport::WriteText(m_dir / "Tavlin.ini", "[Options]\nBitRate=32000\n");
    CRecordingWriter low;
    WAVEFORMATEX format{};
    Encode(source, low, format);

    testsupport::WriteText(m_dir / "Tavlin.ini", "[options]\nbitrate=96000\n");
    CRecordingWriter high;
    Encode(source, high, format);

    const double lowRate = static_cast<double>(low.TotalBytes()) * 8 / seconds;
    const double highRate = static_cast<double>(high.TotalBytes()) * 8 / seconds;
    EXPECT_NEAR(lowRate, 2 * 32000.0, 2 * 32000.0 * 0.25);
    EXPECT_NEAR(highRate, 2 * 96000.0, 2 * 96000.0 * 0.25);
}

TEST_F(EncoderStageTest, RefusedOrMissingSettingsStillEncodeAtTheDefaultRate)
{
    FakeSource source;
    source.frames = 44100 * 4;
    struct Case {
        const char* ini;  // nullptr: no settings file
        bool refused;
    };
    const Case cases[] = {{nullptr, false}, {"[options]\nother=1\n", false}, {"[options]\nbitrate=abc\n", true},
                          {"[options]\nbitrate=5000000\n", true}};
    for (const auto& c : cases) {
        std::filesystem::remove(m_dir / "Tavlin.ini");
        if (c.ini != nullptr)
            testsupport::WriteText(m_dir / "Tavlin.ini", c.ini);
        CRecordingWriter writer;
        WAVEFORMATEX format{};
        testing::internal::CaptureStderr();
        const uint64_t samplesIn = Encode(source, writer, format);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("Unsupported output format!\n") != std::string::npos, c.refused) << (c.ini ? c.ini : "");
        EXPECT_EQ(samplesIn, 44100u * 4u);
        const double rate = static_cast<double>(writer.TotalBytes()) * 8 / 4.0;
        EXPECT_NEAR(rate, 2 * 64000.0, 2 * 64000.0 * 0.25) << (c.ini ? c.ini : "");
    }
}

TEST_F(EncoderStageTest, AbortMidFileStillHandsOnEncodedAndFlushedFramesThenEnds)
{
    FakeSource source;
    source.frames = 44100 * 60;
    source.pace = std::chrono::microseconds(200);
    FakeSources::Instance().Add(u"/fake/long.wav", source);
    sInputFile input{u"/fake/long.wav", u"long", 0};
    CRecordingWriter writer;
    CUnitEncoder encoder(m_context, m_run, nullptr, input, &writer);
    ASSERT_TRUE(encoder.HasReader());
    // Stopped once frames have come out, whatever the machine's speed.
    writer.stopAfterFrames = 2;
    writer.onStop = [this] { m_run.Stop(); };
    encoder.Run();
    EXPECT_EQ(writer.ends, 1);
    EXPECT_GT(writer.frames.size(), 1u);
    EXPECT_LT(encoder.SamplesIn(), 44100u * 60u);
    // Flushed frames carry what the encoder still held: the durations cover
    // exactly what went in plus the priming frame.
    EXPECT_EQ(writer.TotalDuration(), encoder.SamplesIn() + 1024u);
}

TEST_F(EncoderStageTest, AnUnreadableFileLeavesNoReaderAndTheMessage)
{
    FakeSource broken;
    broken.failOpen = true;
    FakeSources::Instance().Add(u"/fake/broken name.mp3", broken);
    sInputFile input{u"/fake/broken name.mp3", u"x", 0};
    CRecordingWriter writer;
    CUnitEncoder encoder(m_context, m_run, nullptr, input, &writer);
    EXPECT_FALSE(encoder.HasReader());
    EXPECT_EQ(m_run.Error(), u"Can't read file /fake/broken name.mp3");
    EXPECT_EQ(encoder.Format().nChannels, 0);
}

// A read that fails before the file's end is no end: the conversion ends
// with the file's message, and the writer still learns the file's end.
TEST_F(EncoderStageTest, AReadFailureEndsTheConversionWithItsMessage)
{
    FakeSource failing;
    failing.frames = 5000;
    failing.failRead = true;
    CRecordingWriter writer;
    WAVEFORMATEX format{};
    Encode(failing, writer, format);
    EXPECT_TRUE(m_run.Stopped());
    EXPECT_EQ(m_run.Error(), u"Can't read file /fake/file.wav");
    EXPECT_EQ(writer.ends, 1);
}

TEST_F(EncoderStageTest, AFormatTheEncoderCannotTakeEndsWithAMessage)
{
    FakeSource odd;
    odd.sampleRate = 12345;  // not an AAC rate
    FakeSources::Instance().Add(u"/fake/odd.wav", odd);
    sInputFile input{u"/fake/odd.wav", u"x", 0};
    CRecordingWriter writer;
    CUnitEncoder encoder(m_context, m_run, nullptr, input, &writer);
    EXPECT_FALSE(encoder.HasReader());
    EXPECT_EQ(m_run.Error(), u"Can't encode file /fake/odd.wav");
}

TEST(SettingsTest, SettingsFileSitsBesideTheExecutable)
{
    EXPECT_EQ(SettingsPathFor("/opt/tavlin/bin/tavlin"), std::filesystem::path("/opt/tavlin/bin/Tavlin.ini"));
    EXPECT_EQ(SettingsPathFor("tavlin"), std::filesystem::path("Tavlin.ini"));
}

TEST(SettingsTest, TheCommandLinesRateTakesThePlaceOfTheFileAndIsStrict)
{
    testsupport::TempDir dir;
    testsupport::WriteText(dir / "Tavlin.ini", "[options]\nbitrate=96000\n");
    const sEncodingChoice given = ReadEncodingChoice(dir / "Tavlin.ini", 48000ul, true);
    EXPECT_EQ(given.m_bitrate, 48000ul);
    EXPECT_TRUE(given.m_bStrict);
    EXPECT_FALSE(given.MayCopyFrames());
    const sEncodingChoice fromFile = ReadEncodingChoice(dir / "Tavlin.ini");
    EXPECT_EQ(fromFile.m_bitrate, 96000ul);
    EXPECT_FALSE(fromFile.m_bStrict);
    const sEncodingChoice none = ReadEncodingChoice(dir / "missing.ini");
    EXPECT_FALSE(none.m_bitrate.has_value());
    EXPECT_TRUE(none.MayCopyFrames());
}

}  // namespace
