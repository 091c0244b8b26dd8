// Long and large books: 64-bit durations and chunk offsets exactly where the
// 32-bit fields would overflow.
#include "tests/support/BoxReader.h"
#include "mp4/Mp4File.h"
#include "Mp4Inspect.h"
#include "mp4/Mp4TestAccess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mp4test;
using testsupport::TempDir;
using testsupport::TrackTables;

namespace {

constexpr uint64_t MAX32 = 0xFFFFFFFFu;

uint64_t ToMovieTicks(uint64_t ticks, uint32_t scale)
{
    return (ticks * 90000 + scale / 2) / scale;
}

TEST(Mp4LargeFile, ThirtyHourBookUsesSixtyFourBitDurations)
{
    TempDir dir;
    const auto path = dir / "long.m4b";
    constexpr uint32_t RATE = 44100;
    constexpr uint64_t HOURS = 30;
    const uint64_t frames = (HOURS * 3600 * RATE + 1023) / 1024;  // about 4.65 million
    uint64_t chapterTicks = 0;
    {
        auto file = mp4::File::Create(path);
        ASSERT_TRUE(file);
        file->SetTimeScale(90000);
        const auto audio = file->AddAudioTrack(RATE, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const auto chapters = file->AddChapterTextTrack(audio);
        file->SetTrackTimeScale(chapters, 600);
        const uint8_t asc[2] = {0x12, 0x08};  // AAC LC, 44.1 kHz, mono
        file->SetTrackESConfiguration(audio, asc, 2);
        const uint8_t frame[2] = {0x21, 0x10};
        const uint64_t framesPerHour = frames / HOURS;
        uint64_t written = 0, chapterStart = 0;
        for (uint64_t hour = 0; hour < HOURS; ++hour) {
            const uint64_t end = hour + 1 == HOURS ? frames : written + framesPerHour;
            for (; written < end; ++written)
                ASSERT_TRUE(file->WriteSample(audio, frame, 2, 1024));
            const auto text = ChapterTextSample(u"Hour " + std::u16string(1, u'A' + char16_t(hour)));
            const uint64_t duration = written * 1024 * 600 / RATE - chapterStart;
            file->AddNeroChapter(chapterStart * 10'000'000 / 600, "Hour");
            ASSERT_TRUE(file->WriteSample(chapters, text.data(), uint32_t(text.size()), duration));
            chapterStart += duration;
        }
        chapterTicks = chapterStart;
        ASSERT_TRUE(file->Close());
    }
    BoxReader reader(path);
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    const uint64_t audioTicks = frames * 1024;
    ASSERT_GT(audioTicks, MAX32);

    const auto mvhd = ReadMovieHeader(reader, *reader.Find("moov/mvhd"));
    EXPECT_EQ(mvhd.version, 1);
    EXPECT_EQ(mvhd.duration, ToMovieTicks(audioTicks, RATE));
    const auto audioTkhd = ReadTrackHeader(reader, *reader.Find("moov/trak[0]/tkhd"));
    EXPECT_EQ(audioTkhd.version, 1);
    EXPECT_EQ(audioTkhd.duration, ToMovieTicks(audioTicks, RATE));
    const auto audioMdhd = ReadMediaHeader(reader, *reader.Find("moov/trak[0]/mdia/mdhd"));
    EXPECT_EQ(audioMdhd.version, 1);
    EXPECT_EQ(audioMdhd.duration, audioTicks);
    // The chapter track's own ticks (1/600 s) still fit 32 bits; in movie ticks they do not.
    const auto chapterMdhd = ReadMediaHeader(reader, *reader.Find("moov/trak[1]/mdia/mdhd"));
    EXPECT_EQ(chapterMdhd.version, 0);
    EXPECT_EQ(chapterMdhd.duration, chapterTicks);
    const auto chapterTkhd = ReadTrackHeader(reader, *reader.Find("moov/trak[1]/tkhd"));
    EXPECT_EQ(chapterTkhd.version, 1);
    EXPECT_EQ(chapterTkhd.duration, chapterTicks * 150);

    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak[0]/mdia/minf/stbl"), &tables, &error)) << error;
    EXPECT_EQ(tables.durations, (std::vector<TrackTables::Run>{{uint32_t(frames), 1024}}));
    EXPECT_EQ(tables.sizes.size(), frames);
    EXPECT_FALSE(tables.co64);
    const auto offsets = tables.SampleOffsets();
    ASSERT_EQ(offsets.size(), frames);
    EXPECT_EQ(reader.ReadAt(offsets.back(), 2), (std::vector<uint8_t>{0x21, 0x10}));

    // A real reader agrees on the length: 30 hours. The fake frames are no real
    // AAC, so the tool is kept quiet about decoding them.
    const auto probe = testsupport::Run(
        {"ffprobe", "-v", "quiet", "-show_entries", "format=duration", "-of", "csv=p=0", path.string()});
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NEAR(std::stod(probe.output), double(audioTicks) / RATE, 0.01) << probe.output;
}

TEST(Mp4LargeFile, EachHeaderSwitchesOnItsOwnDuration)
{
    // 14 hours at 44.1 kHz: 2.2e9 media ticks fit 32 bits, 4.5e9 movie ticks do not.
    TempDir dir;
    const auto path = dir / "f.m4b";
    const uint32_t hour = 44100 * 3600;
    {
        auto file = mp4::File::Create(path);
        file->SetTimeScale(90000);
        const auto audio = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const uint8_t frame[1] = {0};
        for (int i = 0; i < 14; ++i)
            ASSERT_TRUE(file->WriteSample(audio, frame, 1, hour));
        ASSERT_TRUE(file->Close());
    }
    BoxReader reader(path);
    EXPECT_EQ(ReadMovieHeader(reader, *reader.Find("moov/mvhd")).version, 1);
    EXPECT_EQ(ReadMovieHeader(reader, *reader.Find("moov/mvhd")).duration, 14ull * 3600 * 90000);
    EXPECT_EQ(ReadTrackHeader(reader, *reader.Find("moov/trak/tkhd")).version, 1);
    const auto mdhd = ReadMediaHeader(reader, *reader.Find("moov/trak/mdia/mdhd"));
    EXPECT_EQ(mdhd.version, 0);
    EXPECT_EQ(mdhd.duration, 14ull * hour);

    // With the movie time scale left at its default (1000) nothing overflows.
    {
        auto file = mp4::File::Create(path);
        const auto audio = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const uint8_t frame[1] = {0};
        for (int i = 0; i < 14; ++i)
            ASSERT_TRUE(file->WriteSample(audio, frame, 1, hour));
        ASSERT_TRUE(file->Close());
    }
    BoxReader again(path);
    const auto mvhd = ReadMovieHeader(again, *again.Find("moov/mvhd"));
    EXPECT_EQ(mvhd.version, 0);
    EXPECT_EQ(mvhd.timeScale, 1000u);
    EXPECT_EQ(mvhd.duration, 14ull * 3600 * 1000);
}

TEST(Mp4LargeFile, OffsetsBeyondFourGibUseCo64AndPointAtTheirBytes)
{
    TempDir dir;
    const auto path = dir / "big.m4b";
    const uint64_t hole = (uint64_t{9} << 29);  // 4.5 GiB, left unwritten
    std::vector<std::vector<uint8_t>> audioSamples;
    const auto text = ChapterTextSample(u"abc");
    {
        auto file = mp4::File::Create(path);
        const auto audio = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const auto chapters = file->AddChapterTextTrack(audio, 600);
        const uint8_t asc[2] = {0x12, 0x10};
        file->SetTrackESConfiguration(audio, asc, 2);
        for (int i = 0; i < 10; ++i) {
            if (i == 5) {
                ASSERT_TRUE(mp4::FileTestAccess::SkipMdatBytes(*file, hole));
            }
            audioSamples.emplace_back(50 + i, uint8_t(0xA0 + i));
            ASSERT_TRUE(file->WriteSample(audio, audioSamples.back().data(), uint32_t(audioSamples.back().size()), 1024));
        }
        ASSERT_TRUE(file->WriteSample(chapters, text.data(), uint32_t(text.size()), 139));
        ASSERT_TRUE(file->Close());
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_GT(uint64_t(st.st_size), hole);
    // The test should cost next to no disk (a sparse hole), where the file system supports one.
    RecordProperty("allocated_bytes", std::to_string(uint64_t(st.st_blocks) * 512));

    BoxReader reader(path);
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    EXPECT_EQ(reader.Outline().substr(0, 19), "ftyp mdat moov(mvhd");
    const Box& mdat = reader.TopLevel()[1];
    EXPECT_EQ(mdat.headerSize, 16u);
    EXPECT_GT(mdat.size, MAX32);
    EXPECT_EQ(mdat.offset + mdat.size, reader.TopLevel()[2].offset);

    TrackTables audio, chapters;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak[0]/mdia/minf/stbl"), &audio, &error)) << error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak[1]/mdia/minf/stbl"), &chapters, &error)) << error;
    EXPECT_TRUE(audio.co64);
    EXPECT_TRUE(chapters.co64);
    // The hole breaks the chunk: the samples after it start a chunk of their own.
    ASSERT_EQ(audio.chunkOffsets.size(), 2u);
    EXPECT_GT(audio.chunkOffsets[1], MAX32);
    const auto offsets = audio.SampleOffsets();
    ASSERT_EQ(offsets.size(), audioSamples.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(reader.ReadAt(offsets[i], audioSamples[i].size()), audioSamples[i]) << i;
    }
    ASSERT_EQ(chapters.chunkOffsets.size(), 1u);
    EXPECT_EQ(reader.ReadAt(chapters.chunkOffsets[0], text.size()), text);

    // A real reader finds the ten packets across the hole.
    const auto probe = testsupport::Run({"ffprobe", "-v", "quiet", "-select_streams", "a:0", "-count_packets",
                                         "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path.string()});
    EXPECT_EQ(probe.output, "10\n");
}

}  // namespace
