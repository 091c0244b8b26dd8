// A small book with genuine AAC frames, chapters, every tag and a cover, read
// back by the real tools: ffprobe, ffmpeg and mediainfo.
#include "AdtsFrames.h"
#include "mp4/Mp4File.h"
#include "Mp4Inspect.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace mp4test;
using testsupport::TempDir;

namespace {

struct ChapterPart {
    std::u16string title;
    std::string titleUtf8;
    size_t frames;
};

class RealReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto aac = dir / "tone.aac";
        testsupport::GenerateTone(aac, 6.0, 44100, 2, 440.0, {"-c:a", "aac", "-b:a", "96k", "-f", "adts"});
        ASSERT_FALSE(HasFatalFailure());
        std::string error;
        ASSERT_TRUE(SplitAdts(testsupport::ReadAll(aac), &adts, &error)) << error;
        ASSERT_EQ(adts.sampleRate, 44100u);
        ASSERT_EQ(adts.channels, 2);

        const auto png = dir / "cover.png";
        const auto made = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                            "color=c=red:s=16x16", "-frames:v", "1", png.string()});
        ASSERT_EQ(made.exitCode, 0) << made.output;
        cover = testsupport::ReadAll(png);

        path = dir / "book.m4b";
        WriteBook();
    }

    // As a book writer does: frames of each part, then its chapter sample.
    // Every frame is shifted by the encoder's priming frame (rendering offset
    // 1024); an offset that drops to 0 part-way would give two frames the
    // same presentation time.
    void WriteBook()
    {
        const size_t half = adts.frames.size() / 2;
        parts = {{u"Chapter one", "Chapter one", half},
                 {u"Kapitel zwei \u2013 \u00C6r\u00F8 \u65E5\u672C", "Kapitel zwei – Ærø 日本", adts.frames.size() - half}};
        auto file = mp4::File::Create(path);
        ASSERT_TRUE(file);
        file->SetTimeScale(90000);
        const auto audio = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const auto chapters = file->AddChapterTextTrack(audio, 0);
        file->SetTrackTimeScale(chapters, 600);
        file->SetAudioProfileLevel(255);
        file->SetTrackESConfiguration(audio, adts.audioSpecificConfig.data(), 2);
        file->SetMetadataTool("Lavc59.37.100 aac");
        file->SetMetadataText("\xA9" "ART", "Ann Artist");
        file->SetMetadataText("\xA9wrt", "Walt Writer");
        file->SetMetadataText("\xA9" "alb", "Äpfel");
        file->SetMetadataText("\xA9" "day", "1999");
        file->SetMetadataText("\xA9gen", "Hörbuch");
        file->SetMetadataText("\xA9" "cmt", "A comment");
        file->SetMetadataCoverArt(cover.data(), static_cast<uint32_t>(cover.size()));
        file->SetMetadataMediaKind(2);

        size_t next = 0;
        uint64_t total = 0;
        for (const auto& part : parts) {
            uint64_t samples = 0;
            for (size_t i = 0; i < part.frames; ++i, ++next) {
                const auto& frame = adts.frames[next];
                ASSERT_TRUE(file->WriteSample(audio, frame.data(), static_cast<uint32_t>(frame.size()), 1024,
                                              1024));
                samples += 1024;
            }
            file->AddNeroChapter(total * 10'000'000 / 44100, part.titleUtf8);
            starts.push_back(static_cast<double>(total * 600 / 44100) / 600);
            const auto text = ChapterTextSample(part.title);
            ASSERT_TRUE(file->WriteSample(chapters, text.data(), static_cast<uint32_t>(text.size()),
                                          (total + samples) * 600 / 44100 - total * 600 / 44100));
            total += samples;
        }
        ASSERT_TRUE(file->Close());
    }

    TempDir dir;
    AdtsStream adts;
    std::vector<uint8_t> cover;
    std::filesystem::path path;
    std::vector<ChapterPart> parts;
    std::vector<double> starts;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A line "key   : value" of a mediainfo text report.
bool HasField(const std::string& report, const std::string& key, const std::string& value)
{
    size_t pos = 0;
    while ((pos = report.find("\n" + key + " ", pos)) != std::string::npos) {
        pos += key.size() + 1;
        const size_t colon = report.find_first_not_of(' ', pos + 1);
        const size_t end = report.find('\n', pos);
        if (colon != std::string::npos && report.compare(colon, 2, ": ") == 0 &&
            report.substr(colon + 2, end - colon - 2) == value)
            return true;
    }
    return false;
}

TEST(ChapterSample, LayoutMatchesTheBookWriters)
{
    // The samples the readers below decode are built exactly as a book writer builds them.
    const std::vector<uint8_t> abc = {0x00, 0x08, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00,
                                      0x00, 0x00, 0x0C, 0x65, 0x6E, 0x63, 0x64, 0x00, 0x00, 0x01, 0x00,
                                      0x00, 0x00, 0x00, 0x14, 0x6F, 0x72, 0x69, 0x67, 0x00, 0x00, 0x01,
                                      0x00, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
    EXPECT_EQ(ChapterTextSample(u"abc"), abc);
    const auto empty = ChapterTextSample(u"");
    ASSERT_EQ(empty.size(), 30u);
    EXPECT_EQ(empty[1], 0x02);
    EXPECT_EQ(empty[19], 0x0E);
}

TEST_F(RealReaderTest, FfprobeSeesStreamChaptersTagsAndCover)
{
    const auto probe = testsupport::Run({"ffprobe", "-v", "error", "-show_chapters", "-show_streams", "-show_format",
                            "-of", "flat", path.string()});
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    const std::string& out = probe.output;
    EXPECT_TRUE(Contains(out, "streams.stream.0.codec_name=\"aac\"")) << out;
    EXPECT_TRUE(Contains(out, "streams.stream.0.sample_rate=\"44100\"")) << out;
    EXPECT_TRUE(Contains(out, "streams.stream.0.channels=2")) << out;
    EXPECT_FALSE(Contains(out, "streams.stream.1.codec_type=\"audio\"")) << out;
    EXPECT_FALSE(Contains(out, "streams.stream.2.codec_type=\"audio\"")) << out;

    EXPECT_TRUE(Contains(out, "chapters.chapter.0.tags.title=\"Chapter one\"")) << out;
    EXPECT_TRUE(Contains(out, "chapters.chapter.1.tags.title=\"Kapitel zwei – Ærø 日本\"")) << out;
    EXPECT_FALSE(Contains(out, "chapters.chapter.2.")) << out;
    char start[64];
    std::snprintf(start, sizeof start, "chapters.chapter.1.start_time=\"%.6f\"", starts[1]);
    EXPECT_TRUE(Contains(out, "chapters.chapter.0.start_time=\"0.000000\"")) << out;
    EXPECT_TRUE(Contains(out, start)) << start << "\n" << out;

    for (const char* tag : {"format.tags.artist=\"Ann Artist\"", "format.tags.composer=\"Walt Writer\"",
                            "format.tags.album=\"Äpfel\"", "format.tags.date=\"1999\"",
                            "format.tags.genre=\"Hörbuch\"", "format.tags.comment=\"A comment\"",
                            "format.tags.encoder=\"Lavc59.37.100 aac\"", "format.tags.media_type=\"2\"",
                            "format.tags.major_brand=\"M4B \""})
        EXPECT_TRUE(Contains(out, tag)) << tag << "\n" << out;
    EXPECT_TRUE(Contains(out, "codec_name=\"png\"")) << out;
    EXPECT_TRUE(Contains(out, "disposition.attached_pic=1")) << out;
}

TEST_F(RealReaderTest, FfmpegDecodesEverythingWithoutErrors)
{
    const auto decode = testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path.string(), "-f", "null", "-"});
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "");
    // Every frame decodes: the duration covers all frames written.
    const auto probe = testsupport::Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-count_packets", "-show_entries",
                            "stream=nb_read_packets", "-of", "csv=p=0", path.string()});
    EXPECT_EQ(probe.output, std::to_string(adts.frames.size()) + "\n");
}

TEST_F(RealReaderTest, MediainfoShowsTagsAndChapterMenu)
{
    const auto info = testsupport::Run({"mediainfo", path.string()});
    ASSERT_EQ(info.exitCode, 0) << info.output;
    const std::string& out = info.output;
    const std::pair<const char*, std::string> fields[] = {
        {"Performer", "Ann Artist"},      {"Composer", "Walt Writer"},
        {"Album", "Äpfel"},               {"Recorded date", "1999"},
        {"Genre", "Hörbuch"},             {"Comment", "A comment"},
        {"Writing application", "Lavc59.37.100 aac"},
        {"Cover", "Yes"},                 {"ContentType", "Audiobook"},
        {"Channel(s)", "2 channels"},     {"Sampling rate", "44.1 kHz"},
        {"00:00:00.000", "Chapter one"},  {"00:00:03.018", "Kapitel zwei – Ærø 日本"}};
    for (const auto& [key, value] : fields)
        EXPECT_TRUE(HasField(out, key, value)) << key << " : " << value << "\n" << out;
}

}  // namespace
