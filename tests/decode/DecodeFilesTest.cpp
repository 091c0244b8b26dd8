// Real files, generated with the ffmpeg tool, pulled through the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "DecodeTestSupport.h"
#include "tests/support/TestSupport.h"
#include "base/Text.h"

using namespace decodetest;
namespace fs = std::filesystem;
using testsupport::GenerateTone;

namespace {

constexpr double kToneHz = 440.0;

void ExpectFormat(const sPcmFormat& format, uint32_t rate, int channels)
{
    EXPECT_EQ(format, (sPcmFormat{rate, channels})) << format.rate << " Hz, " << format.channels << " ch";
}

// The tone's frequency, seen through the zero crossings of every channel.
void ExpectTone(const DecodeResult& r, double seconds)
{
    for (size_t c = 0; c < r.pcm.size(); ++c) {
        const double crossings = ZeroCrossings(r.pcm[c]);
        EXPECT_NEAR(crossings / (2.0 * seconds), kToneHz, kToneHz * 0.03) << "channel " << c;
    }
}

class DecodeFiles : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
};

struct WavCase {
    const char* codec;
    int rate;
    int channels;
    int expectedChannels;
};

class DecodeWav : public DecodeFiles, public ::testing::WithParamInterface<WavCase> {};

}  // namespace

TEST_P(DecodeWav, ChoosesTheBookFormatAndDeliversEverySample)
{
    const WavCase& c = GetParam();
    const fs::path file = m_dir / "tone.wav";
    GenerateTone(file, 1.0, c.rate, c.channels, kToneHz, {"-c:a", c.codec});
    const DecodeResult r = DecodeFile(file);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, static_cast<uint32_t>(c.rate), c.expectedChannels);
    EXPECT_EQ(r.FramesPerChannel(), static_cast<size_t>(c.rate));
    EXPECT_NEAR(static_cast<double>(r.duration), 1e7, 1e5);
    EXPECT_NEAR(static_cast<double>(r.finalPosition), 1e7, 1e5);
    EXPECT_TRUE(r.ended);
    ExpectTone(r, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DecodeWav,
    ::testing::Values(WavCase{"pcm_u8", 44100, 1, 1}, WavCase{"pcm_u8", 22050, 2, 2}, WavCase{"pcm_s16le", 44100, 2, 2},
                      WavCase{"pcm_s16le", 48000, 1, 1}, WavCase{"pcm_s16le", 22050, 6, 2},
                      WavCase{"pcm_s24le", 48000, 2, 2}, WavCase{"pcm_s24le", 44100, 6, 2},
                      WavCase{"pcm_s24le", 22050, 1, 1}, WavCase{"pcm_f32le", 44100, 2, 2},
                      WavCase{"pcm_f64le", 48000, 1, 1}),
    [](const ::testing::TestParamInfo<WavCase>& info) {
        return std::string(info.param.codec) + "_" + std::to_string(info.param.rate) + "_" +
               std::to_string(info.param.channels) + "ch";
    });

// The samples reach the encoder as floats: a tone far below one step of
// 16-bit PCM is still there, not rounded to silence.
TEST_F(DecodeFiles, AToneBelowSixteenBitsSurvives)
{
    const fs::path file = m_dir / "quiet.wav";
    GenerateTone(file, 0.5, 44100, 2, kToneHz, {"-c:a", "pcm_f32le", "-af", "volume=-100dB"});
    const DecodeResult r = DecodeFile(file);
    ASSERT_EQ(r.error, eReadError::None);
    ASSERT_EQ(r.pcm.size(), 2u);
    float peak = 0.0f;
    for (const float sample : r.pcm[1])
        peak = std::max(peak, std::fabs(sample));
    EXPECT_GT(peak, 0.0f);
    EXPECT_LT(peak, 0.5f / 32768);
}

TEST_F(DecodeFiles, Mp3WithCoverPictureDecodesItsAudio)
{
    const fs::path tone = m_dir / "tone.wav";
    const fs::path cover = m_dir / "cover.png";
    const fs::path mp3 = m_dir / "with cover.mp3";
    GenerateTone(tone, 2.0, 44100, 2, kToneHz);
    auto r1 = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                "color=c=red:s=64x64", "-frames:v", "1", cover.string()});
    ASSERT_EQ(r1.exitCode, 0) << r1.output;
    // The picture is the first stream, so "first audio stream" is really tested.
    auto r2 = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", cover.string(), "-i", tone.string(),
                                "-map", "0", "-map", "1", "-c:v", "png", "-disposition:v", "attached_pic", "-c:a",
                                "libmp3lame", "-b:a", "128k", "-id3v2_version", "3", mp3.string()});
    ASSERT_EQ(r2.exitCode, 0) << r2.output;

    const DecodeResult r = DecodeFile(mp3);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 44100, 2);
    EXPECT_NEAR(static_cast<double>(r.FramesPerChannel()), 2.0 * 44100, 1152 * 2);
    // The container's figure includes the encoder's delay and padding.
    EXPECT_NEAR(static_cast<double>(r.duration), 2e7, 6e5);
    EXPECT_TRUE(r.ended);
    ExpectTone(r, 2.0);
}

TEST_F(DecodeFiles, WmaDecodes)
{
    const fs::path wma = m_dir / "tone.wma";
    GenerateTone(wma, 2.0, 44100, 2, kToneHz, {"-c:a", "wmav2", "-b:a", "128k"});
    const DecodeResult r = DecodeFile(wma);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 44100, 2);
    EXPECT_NEAR(static_cast<double>(r.FramesPerChannel()), 2.0 * 44100, 4096);
    EXPECT_GT(r.duration, 0);
    EXPECT_TRUE(r.ended);
    ExpectTone(r, 2.0);
}

// The AAC encoder's delay before the audio and the silence that fills its
// last frame are both left out: an MP4 states its audio's exact length.
TEST_F(DecodeFiles, AnMp4DeliversExactlyItsOwnAudio)
{
    const fs::path m4a = m_dir / "tone.m4a";
    GenerateTone(m4a, 1.0, 44100, 2, kToneHz, {"-c:a", "aac", "-b:a", "128k"});
    const DecodeResult r = DecodeFile(m4a);
    ASSERT_EQ(r.error, eReadError::None);
    EXPECT_EQ(r.FramesPerChannel(), 44100u);
    EXPECT_TRUE(r.ended);
    ExpectTone(r, 1.0);
}

// A header that states less than the sample table holds (here the media
// header of a 2 s file says 0.5 s) only ever trims a last frame: the
// audio after the stated end is not dropped.
TEST_F(DecodeFiles, AnMp4WhoseHeaderUnderstatesItsLengthKeepsItsAudio)
{
    const fs::path m4a = m_dir / "understated.m4a";
    GenerateTone(m4a, 2.0, 44100, 2, kToneHz, {"-c:a", "aac", "-b:a", "128k"});
    const std::vector<uint8_t> data = testsupport::ReadAll(m4a);
    std::string bytes(data.begin(), data.end());
    const size_t mdhd = bytes.find("mdhd");
    ASSERT_NE(mdhd, std::string::npos);
    ASSERT_EQ(bytes[mdhd + 4], 0);  // version 0: 32-bit times
    // 'mdhd', version and flags, creation, modification, time scale, then
    // the duration in that time scale.
    const size_t timeScaleAt = mdhd + 4 + 4 + 4 + 4;
    uint32_t timeScale = 0;
    for (int i = 0; i < 4; ++i)
        timeScale = timeScale << 8 | static_cast<uint8_t>(bytes[timeScaleAt + i]);
    const uint32_t stated = timeScale / 2;
    for (int i = 0; i < 4; ++i)
        bytes[timeScaleAt + 4 + i] = static_cast<char>(stated >> (24 - 8 * i));
    testsupport::WriteText(m4a, bytes);

    const DecodeResult r = DecodeFile(m4a);
    ASSERT_EQ(r.error, eReadError::None);
    EXPECT_GE(r.FramesPerChannel(), 2u * 44100u);
    EXPECT_LT(r.FramesPerChannel(), 2u * 44100u + 1024u);
}

TEST_F(DecodeFiles, FirstAudioStreamIsTakenWhereverItSits)
{
    const fs::path tone = m_dir / "tone.wav";
    GenerateTone(tone, 1.0, 48000, 2, kToneHz);
    // A video stream first, then two audio streams: the first audio one wins.
    const fs::path mkv = m_dir / "video first.mkv";
    auto made = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  "color=c=green:s=32x32:d=1", "-i", tone.string(), "-f", "lavfi", "-i",
                                  "sine=frequency=1000:sample_rate=22050:duration=1", "-map", "0", "-map", "1",
                                  "-map", "2", "-c:v", "png", "-c:a", "flac", mkv.string()});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const DecodeResult r = DecodeFile(mkv);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 48000, 2);
    EXPECT_EQ(r.FramesPerChannel(), 48000u);
    ExpectTone(r, 1.0);

    // Codecs beyond the three the file list admits decode the same way.
    const fs::path opus = m_dir / "tone.ogg";
    GenerateTone(opus, 1.0, 48000, 2, kToneHz, {"-c:a", "libopus"});
    const DecodeResult o = DecodeFile(opus);
    ASSERT_EQ(o.error, eReadError::None);
    ExpectFormat(o.format, 48000, 2);
    EXPECT_NEAR(static_cast<double>(o.FramesPerChannel()), 48000, 960);
}

TEST_F(DecodeFiles, LaterFileIsConvertedToTheBookFormat)
{
    const fs::path file = m_dir / "second.wav";
    GenerateTone(file, 1.0, 22050, 1, kToneHz);
    const DecodeResult r = DecodeFile(file, sPcmFormat{44100, 2});
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 44100, 2);
    EXPECT_NEAR(static_cast<double>(r.FramesPerChannel()), 44100, 64);
    ExpectTone(r, 1.0);

    // Six channels at 48 kHz into mono 22.05 kHz.
    const fs::path surround = m_dir / "surround.wav";
    GenerateTone(surround, 1.0, 48000, 6, kToneHz);
    const DecodeResult r2 = DecodeFile(surround, sPcmFormat{22050, 1});
    ASSERT_EQ(r2.error, eReadError::None);
    ExpectFormat(r2.format, 22050, 1);
    EXPECT_NEAR(static_cast<double>(r2.FramesPerChannel()), 22050, 64);
    ExpectTone(r2, 1.0);
}

TEST_F(DecodeFiles, StandardLowRateIsKept)
{
    const fs::path file = m_dir / "low.wav";
    GenerateTone(file, 1.0, 11025, 1, kToneHz);
    const DecodeResult r = DecodeFile(file);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 11025, 1);
    EXPECT_EQ(r.FramesPerChannel(), 11025u);
}

TEST_F(DecodeFiles, FirstFileAtAnOddRateIsResampledToTheNearestStandardRate)
{
    const fs::path file = m_dir / "odd.wav";
    GenerateTone(file, 1.0, 12345, 2, kToneHz);
    const DecodeResult r = DecodeFile(file);
    ASSERT_EQ(r.error, eReadError::None);
    ExpectFormat(r.format, 12000, 2);
    EXPECT_NEAR(static_cast<double>(r.FramesPerChannel()), 12000, 32);
    EXPECT_NEAR(static_cast<double>(r.duration), 1e7, 1e5);
    ExpectTone(r, 1.0);
}

TEST_F(DecodeFiles, UnreadableInputsFailAtTheSource)
{
    const fs::path empty = m_dir / "empty.mp3";
    testsupport::WriteAll(empty, {});
    const fs::path text = m_dir / "notes.mp3";
    std::string prose;
    for (int i = 0; i < 200; ++i)
        prose += "This is not audio at all, just a line of text in a file.\n";
    testsupport::WriteText(text, prose);
    const fs::path picture = m_dir / "picture.png";
    auto made = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  "color=c=blue:s=32x32", "-frames:v", "1", picture.string()});
    ASSERT_EQ(made.exitCode, 0) << made.output;

    const std::vector<std::pair<fs::path, eReadError>> inputs = {
        {m_dir / "missing.mp3", eReadError::FileNotFound},
        {m_dir.Path(), eReadError::None},  // a folder: any failure
        {empty, eReadError::None},
        {text, eReadError::None},
        {picture, eReadError::NoAudio},  // opens, but holds no audio
    };
    for (const auto& [path, error] : inputs) {
        const DecodeResult r = DecodeFile(path);
        EXPECT_NE(r.error, eReadError::None) << path;
        if (error != eReadError::None) {
            EXPECT_EQ(r.error, error) << path << ": " << Describe(r.error);
        }
        EXPECT_TRUE(r.pcm.empty()) << path;
    }
}

namespace {
// A mono 16-bit PCM WAV file whose header states `rate`.
std::vector<uint8_t> WavStating(uint32_t rate, const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> wav;
    const auto tag = [&](const char* fourCc) { wav.insert(wav.end(), fourCc, fourCc + 4); };
    const auto u16 = [&](uint16_t v) { wav.insert(wav.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto u32 = [&](uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    };
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    tag("RIFF");
    u32(36 + dataBytes);  // what follows: the rest of this header and the data
    tag("WAVE");
    tag("fmt ");
    u32(16);        // size of the format chunk
    u16(1);         // wFormatTag: PCM
    u16(1);         // nChannels
    u32(rate);      // nSamplesPerSec: the rate under test
    u32(rate * 2);  // nAvgBytesPerSec
    u16(2);         // nBlockAlign: bytes per sample frame
    u16(16);        // wBitsPerSample
    tag("data");
    u32(dataBytes);  // size of the sample data
    for (const int16_t sample : samples)
        u16(static_cast<uint16_t>(sample));
    return wav;
}

class StatedRate : public DecodeFiles, public ::testing::WithParamInterface<uint32_t> {};
}  // namespace

// One second at a few hertz would become hours of audio: such a header is
// damaged, and the file is unreadable.
TEST_P(StatedRate, BelowOneThousandHertzTheFileIsUnreadable)
{
    const uint32_t rate = GetParam();
    const fs::path file = m_dir / "stated.wav";
    testsupport::WriteAll(file, WavStating(rate, testsupport::SineSamples(100, 1, 1000, 100.0)));
    const DecodeResult r = DecodeFile(file);
    if (rate >= 1000) {
        EXPECT_EQ(r.error, eReadError::None);
        EXPECT_TRUE(r.ended);
        return;
    }
    EXPECT_EQ(r.error, eReadError::NoAudio);
    EXPECT_TRUE(r.pcm.empty());
}

INSTANTIATE_TEST_SUITE_P(Rates, StatedRate, ::testing::Values(1u, 7u, 11u, 999u, 1000u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return std::to_string(info.param) + "Hz";
                         });

TEST_F(DecodeFiles, TruncatedMp3DecodesWhatIsThere)
{
    const fs::path whole = m_dir / "whole.mp3";
    GenerateTone(whole, 4.0, 44100, 2, kToneHz, {"-c:a", "libmp3lame", "-b:a", "128k"});
    auto bytes = testsupport::ReadAll(whole);
    ASSERT_GT(bytes.size(), 1000u);
    bytes.resize(bytes.size() / 2 + 17);  // cut inside a frame
    const fs::path cut = m_dir / "cut.mp3";
    testsupport::WriteAll(cut, bytes);

    const DecodeResult r = DecodeFile(cut);
    ASSERT_EQ(r.error, eReadError::None);
    EXPECT_NEAR(static_cast<double>(r.FramesPerChannel()), 2.0 * 44100, 0.15 * 44100);
    EXPECT_TRUE(r.ended);
}

TEST_F(DecodeFiles, CorruptDataInsideIsSkipped)
{
    const fs::path whole = m_dir / "whole.mp3";
    GenerateTone(whole, 4.0, 44100, 2, kToneHz, {"-c:a", "libmp3lame", "-b:a", "128k"});
    auto bytes = testsupport::ReadAll(whole);
    // Overwrite a stretch in the middle with noise-like garbage.
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000 && i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    const fs::path damaged = m_dir / "damaged.mp3";
    testsupport::WriteAll(damaged, bytes);

    const DecodeResult r = DecodeFile(damaged);
    ASSERT_EQ(r.error, eReadError::None);
    // Most of the file survives: audio from before and after the damage.
    EXPECT_GT(static_cast<double>(r.FramesPerChannel()), 3.0 * 44100);
    EXPECT_TRUE(r.ended);
}

TEST_F(DecodeFiles, NamesWithSpacesQuotesAndNonAsciiLetters)
{
    for (const char* name : {"my book  chapter 1.wav", "it's \"quoted\".wav", "Kapitel Ärger ÖÜ ß ж 章.wav",
                             "pipe:looks like a protocol.wav"}) {
        const fs::path file = m_dir / name;
        GenerateTone(file, 0.5, 44100, 1, kToneHz);
        const DecodeResult r = DecodeFile(file);
        EXPECT_EQ(r.error, eReadError::None) << name;
        EXPECT_EQ(r.FramesPerChannel(), 22050u) << name;
    }
}

TEST_F(DecodeFiles, CallsOutsideTheirStateAreHarmless)
{
    const std::atomic<bool> stop{false};
    CPcmReader reader(stop);
    sPcmSpan span;
    EXPECT_EQ(reader.Position(), 0);
    EXPECT_EQ(reader.Duration(), 0);
    EXPECT_EQ(reader.NativeRate(), 0u);
    EXPECT_EQ(reader.Pull(span), CPcmReader::ePull::End);
    EXPECT_EQ(reader.Open(FromPath(m_dir / "never.wav")), eReadError::FileNotFound);
    EXPECT_EQ(reader.Pull(span), CPcmReader::ePull::End);

    const fs::path file = m_dir / "tone.wav";
    GenerateTone(file, 0.5, 44100, 2, kToneHz);
    CPcmReader opened(stop);
    ASSERT_EQ(opened.Open(FromPath(file)), eReadError::None);
    EXPECT_NE(opened.Open(FromPath(file)), eReadError::None);  // one file, once
}
