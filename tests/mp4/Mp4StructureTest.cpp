// Writes small files, reads them back with the box reader and compares every
// box and table with what was written.
#include "tests/support/BoxReader.h"
#include "mp4/Mp4File.h"
#include "Mp4Inspect.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace mp4test;
using testsupport::TempDir;
using testsupport::TrackTables;

namespace {

constexpr uint32_t RATE = 44100;
// AAC LC, 44.1 kHz, two channels.
const std::vector<uint8_t> ASC_STEREO_44100 = {0x12, 0x10};

struct Written {
    std::vector<std::vector<uint8_t>> samples;
    std::vector<uint32_t> durations;
    std::vector<int64_t> offsets;
};

std::vector<uint8_t> Pattern(size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return bytes;
}

// A small book: two parts of 50 audio samples, each followed by its chapter
// sample, rendering offset 1024 on the first part, a short last frame.
struct SmallBook {
    Written audio, chapters;
    std::vector<uint8_t> cover = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3, 4};

    bool Write(const std::filesystem::path& path)
    {
        auto file = mp4::File::Create(path);
        if (!file)
            return false;
        file->SetTimeScale(90000);
        const auto audioTrack = file->AddAudioTrack(RATE, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const auto chapterTrack = file->AddChapterTextTrack(audioTrack);
        EXPECT_EQ(audioTrack, 1u);
        EXPECT_EQ(chapterTrack, 2u);
        EXPECT_TRUE(file->SetTrackTimeScale(chapterTrack, 600));
        file->SetAudioProfileLevel(0x0F);
        file->SetTrackESConfiguration(audioTrack, ASC_STEREO_44100.data(), 2);
        file->SetMetadataTool("Lavc59.37.100 aac");
        file->SetMetadataText("\xA9" "ART", "Ann Artist");
        file->SetMetadataText("\xA9wrt", "Walt Writer");
        file->SetMetadataText("\xA9" "alb", "Äpfel & Birnen");
        file->SetMetadataText("\xA9" "day", "circa 1901");
        file->SetMetadataText("\xA9gen", "Rock");
        file->SetMetadataText("\xA9" "cmt", "line one\nline two");
        file->SetMetadataCoverArt(cover.data(), static_cast<uint32_t>(cover.size()));
        file->SetMetadataMediaKind(2);
        file->AddNeroChapter(0, "One");
        file->AddNeroChapter(11609977, "Zwei – ß");

        uint32_t seed = 0;
        for (int part = 0; part < 2; ++part) {
            uint64_t partTicks = 0;
            for (int i = 0; i < 50; ++i) {
                const bool last = part == 1 && i == 49;
                const uint32_t duration = last ? 500 : 1024;
                const int64_t offset = part == 0 ? 1024 : 0;
                auto bytes = Pattern(100 + (seed * 13) % 57, seed);
                ++seed;
                EXPECT_TRUE(file->WriteSample(audioTrack, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                              duration, offset, true));
                audio.samples.push_back(bytes);
                audio.durations.push_back(duration);
                audio.offsets.push_back(offset);
                partTicks += duration;
            }
            const auto text = ChapterTextSample(part == 0 ? u"One" : u"Zwei \u2013 \u00DF");
            const auto duration = static_cast<uint32_t>(partTicks * 600 / RATE);
            EXPECT_TRUE(file->WriteSample(chapterTrack, text.data(), static_cast<uint32_t>(text.size()), duration));
            chapters.samples.push_back(text);
            chapters.durations.push_back(duration);
            chapters.offsets.push_back(0);
        }
        return file->Close() && !file->HasFailed();
    }
};

std::vector<TrackTables::Run> RunLength(const std::vector<int64_t>& values)
{
    std::vector<TrackTables::Run> runs;
    for (int64_t v : values) {
        if (!runs.empty() && runs.back().value == v)
            ++runs.back().count;
        else
            runs.push_back({1, v});
    }
    return runs;
}

// Every sample's bytes, found through the chunk tables, equal what was written.
void ExpectSamplesMatch(const BoxReader& reader, const TrackTables& tables, const Written& written)
{
    const auto offsets = tables.SampleOffsets();
    ASSERT_EQ(offsets.size(), written.samples.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(tables.sizes[i], written.samples[i].size()) << "sample " << i;
        EXPECT_EQ(reader.ReadAt(offsets[i], written.samples[i].size()), written.samples[i]) << "sample " << i;
    }
    EXPECT_EQ(tables.SampleDurations(), written.durations);
}

class SmallBookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir / "book.m4b";
        ASSERT_TRUE(book.Write(path));
        reader = std::make_unique<BoxReader>(path);
        ASSERT_TRUE(reader->Ok()) << reader->Error();
    }
    TempDir dir;
    std::filesystem::path path;
    SmallBook book;
    std::unique_ptr<BoxReader> reader;
};

TEST_F(SmallBookTest, BoxTreeIsComplete)
{
    const std::string items = "\xA9too(data) \xA9" "ART(data) \xA9wrt(data) \xA9" "alb(data) \xA9" "day(data) "
                              "\xA9gen(data) \xA9" "cmt(data) stik(data) covr(data)";
    EXPECT_EQ(reader->Outline(),
              "ftyp mdat moov(mvhd iods "
              "trak(tkhd tref(chap) mdia(mdhd hdlr minf(smhd dinf(dref(url )) "
              "stbl(stsd(mp4a(esds)) stts ctts stsc stsz stco)))) "
              "trak(tkhd edts(elst) mdia(mdhd hdlr minf(gmhd(gmin text) dinf(dref(url )) "
              "stbl(stsd(text) stts stsc stsz stco)))) "
              "udta(meta(hdlr ilst(" + items + ")) chpl))");

    const auto ftyp = reader->Payload(reader->TopLevel()[0]);
    EXPECT_EQ(std::string(ftyp.begin(), ftyp.end()), std::string("M4B \0\0\0\0M4B M4A mp42isom", 24));

    // The 64-bit mdat size spans exactly the samples, up to the index.
    const Box& mdat = reader->TopLevel()[1];
    EXPECT_EQ(mdat.headerSize, 16u);
    EXPECT_EQ(mdat.offset + mdat.size, reader->TopLevel()[2].offset);
    EXPECT_EQ(reader->TopLevel()[2].offset + reader->TopLevel()[2].size, reader->FileSize());
    size_t sampleBytes = 0;
    for (const auto* w : {&book.audio, &book.chapters})
        for (const auto& s : w->samples)
            sampleBytes += s.size();
    EXPECT_EQ(mdat.PayloadSize(), sampleBytes);
}

TEST_F(SmallBookTest, HeadersCarryTimeScalesDurationsAndFlags)
{
    const auto mvhd = ReadMovieHeader(*reader, *reader->Find("moov/mvhd"));
    const uint64_t audioTicks = 99 * 1024 + 500;
    EXPECT_EQ(mvhd.version, 0);
    EXPECT_EQ(mvhd.timeScale, 90000u);
    EXPECT_EQ(mvhd.duration, (audioTicks * 90000 + RATE / 2) / RATE);
    EXPECT_EQ(mvhd.nextTrackId, 3u);

    const auto audioTkhd = ReadTrackHeader(*reader, *reader->Find("moov/trak[0]/tkhd"));
    EXPECT_EQ(audioTkhd.trackId, 1u);
    EXPECT_EQ(audioTkhd.flags, 3u);  // enabled, in movie
    EXPECT_EQ(audioTkhd.duration, mvhd.duration);
    const auto chapterTkhd = ReadTrackHeader(*reader, *reader->Find("moov/trak[1]/tkhd"));
    EXPECT_EQ(chapterTkhd.trackId, 2u);
    EXPECT_EQ(chapterTkhd.flags, 2u);  // in movie, not enabled

    const auto audioMdhd = ReadMediaHeader(*reader, *reader->Find("moov/trak[0]/mdia/mdhd"));
    EXPECT_EQ(audioMdhd.timeScale, RATE);
    EXPECT_EQ(audioMdhd.duration, audioTicks);
    const auto chapterMdhd = ReadMediaHeader(*reader, *reader->Find("moov/trak[1]/mdia/mdhd"));
    EXPECT_EQ(chapterMdhd.timeScale, 600u);
    EXPECT_EQ(chapterMdhd.duration, uint64_t{book.chapters.durations[0]} + book.chapters.durations[1]);

    EXPECT_EQ(ReadHandlerType(*reader, *reader->Find("moov/trak[0]/mdia/hdlr")), "soun");
    EXPECT_EQ(ReadHandlerType(*reader, *reader->Find("moov/trak[1]/mdia/hdlr")), "text");
    EXPECT_EQ(ReadHandlerType(*reader, *reader->Find("moov/udta/meta/hdlr")), "mdir");

    const auto chap = reader->Payload(*reader->Find("moov/trak[0]/tref/chap"));
    EXPECT_EQ(chap, (std::vector<uint8_t>{0, 0, 0, 2}));
    // Initial object descriptor: tag 0x10, ids, then OD, scene, audio, visual, graphics levels.
    const auto iods = reader->Payload(*reader->Find("moov/iods"));
    ASSERT_GE(iods.size(), 7u);
    EXPECT_EQ(iods[4], 0x10);
    EXPECT_EQ(std::vector<uint8_t>(iods.end() - 5, iods.end()), (std::vector<uint8_t>{0xFF, 0xFF, 0x0F, 0xFF, 0xFF}));
}

TEST_F(SmallBookTest, AudioTablesMatchWhatWasWritten)
{
    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(*reader, *reader->Find("moov/trak[0]/mdia/minf/stbl"), &tables, &error)) << error;
    ExpectSamplesMatch(*reader, tables, book.audio);
    EXPECT_EQ(tables.durations, (std::vector<TrackTables::Run>{{99, 1024}, {1, 500}}));
    ASSERT_TRUE(tables.hasCtts);
    EXPECT_EQ(tables.renderingOffsets, RunLength(book.audio.offsets));
    EXPECT_FALSE(tables.hasStss);
    EXPECT_FALSE(tables.co64);
    // Chunks close after a second of audio (44 frames) and wherever a chapter sample
    // interrupts the track.
    ASSERT_EQ(tables.chunks.size(), 4u);
    const std::vector<uint32_t> perChunk = {44, 6, 44, 6};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(tables.chunks[i].firstChunk, i + 1);
        EXPECT_EQ(tables.chunks[i].samplesPerChunk, perChunk[i]);
        EXPECT_EQ(tables.chunks[i].descriptionIndex, 1u);
    }
}

TEST_F(SmallBookTest, ChapterTrackHasOneSamplePerChunkAndExplicitSizes)
{
    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(*reader, *reader->Find("moov/trak[1]/mdia/minf/stbl"), &tables, &error)) << error;
    ExpectSamplesMatch(*reader, tables, book.chapters);
    EXPECT_EQ(tables.constantSize, 0u);
    EXPECT_FALSE(tables.hasCtts);
    ASSERT_EQ(tables.chunkOffsets.size(), 2u);
    ASSERT_EQ(tables.chunks.size(), 1u);
    EXPECT_EQ(tables.chunks[0].samplesPerChunk, 1u);
    // The chapter samples sit between the two parts of the audio.
    TrackTables audio;
    ASSERT_TRUE(ReadTrackTables(*reader, *reader->Find("moov/trak[0]/mdia/minf/stbl"), &audio, &error));
    const auto audioOffsets = audio.SampleOffsets();
    EXPECT_EQ(tables.chunkOffsets[0], audioOffsets[49] + audio.sizes[49]);
    EXPECT_EQ(tables.chunkOffsets[0] + tables.sizes[0], audioOffsets[50]);
    // The sample description is a QuickTime text description of 60 bytes.
    EXPECT_EQ(reader->Find("moov/trak[1]/mdia/minf/stbl/stsd/text")->size, 60u);
}

TEST_F(SmallBookTest, AudioDescriptionCarriesFormatAndBitRates)
{
    const auto entry = ReadAudioEntry(*reader, *reader->Find("moov/trak[0]/mdia/minf/stbl/stsd/mp4a"));
    ASSERT_TRUE(entry.ok);
    EXPECT_EQ(entry.channels, 2);
    EXPECT_EQ(entry.sampleRate, RATE);
    EXPECT_EQ(entry.objectType, 0x40);
    EXPECT_EQ(entry.streamTypeByte, 0x15);  // audio stream, reserved bit set
    EXPECT_EQ(entry.decoderSpecificInfo, ASC_STEREO_44100);
    EXPECT_EQ(entry.slPredefined, 2);

    // Reference figures computed the slow way.
    uint64_t largest = 0, total = 0, ticks = 0, busiest = 0;
    std::vector<uint64_t> starts;
    for (size_t i = 0; i < book.audio.samples.size(); ++i) {
        largest = std::max<uint64_t>(largest, book.audio.samples[i].size());
        total += book.audio.samples[i].size();
        starts.push_back(ticks);
        ticks += book.audio.durations[i];
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        uint64_t bytes = 0;
        for (size_t j = 0; j <= i; ++j)
            if (starts[j] + RATE > starts[i])
                bytes += book.audio.samples[j].size();
        busiest = std::max(busiest, bytes);
    }
    EXPECT_EQ(entry.bufferSize, largest);
    EXPECT_EQ(entry.averageBitRate, total * 8 * RATE / ticks);
    EXPECT_EQ(entry.maxBitRate, busiest * 8);
    EXPECT_GE(entry.maxBitRate, entry.averageBitRate);
}

TEST_F(SmallBookTest, TagsAreUtf8ItemsWithCoverAndMediaKind)
{
    const Box* ilst = reader->Find("moov/udta/meta/ilst");
    ASSERT_NE(ilst, nullptr);
    const std::map<std::string, std::string> expected = {
        {"\xA9too", "Lavc59.37.100 aac"}, {"\xA9" "ART", "Ann Artist"},
        {"\xA9wrt", "Walt Writer"},       {"\xA9" "alb", "Äpfel & Birnen"},
        {"\xA9" "day", "circa 1901"},     {"\xA9gen", "Rock"},
        {"\xA9" "cmt", "line one\nline two"}};
    for (const auto& [type, text] : expected) {
        const Box* item = ilst->Child(type);
        ASSERT_NE(item, nullptr) << type;
        const auto data = ReadDataItem(*reader, *item);
        EXPECT_EQ(data.type, 1u) << type;
        EXPECT_EQ(data.value, text) << type;
    }
    const auto cover = ReadDataItem(*reader, *ilst->Child("covr"));
    EXPECT_EQ(cover.type, 14u);
    EXPECT_EQ(std::vector<uint8_t>(cover.value.begin(), cover.value.end()), book.cover);
    const auto kind = ReadDataItem(*reader, *ilst->Child("stik"));
    EXPECT_EQ(kind.type, 21u);
    EXPECT_EQ(kind.value, std::string(1, '\x02'));

    const auto nero = ReadNeroChapters(*reader, *reader->Find("moov/udta/chpl"));
    ASSERT_EQ(nero.size(), 2u);
    EXPECT_EQ(nero[0].start100ns, 0u);
    EXPECT_EQ(nero[0].title, "One");
    EXPECT_EQ(nero[1].start100ns, 11609977u);
    EXPECT_EQ(nero[1].title, "Zwei – ß");
}

TEST(Mp4Structure, NoCttsWithoutOffsetsAndNoTagsWhenNoneSet)
{
    TempDir dir;
    {
        auto file = mp4::File::Create(dir / "plain.m4a");
        ASSERT_TRUE(file);
        const auto track = file->AddAudioTrack(48000, 1024, mp4::MPEG4_AUDIO_TYPE);
        // Empty texts and an empty cover set nothing.
        EXPECT_FALSE(file->SetMetadataText("\xA9" "ART", ""));
        EXPECT_FALSE(file->SetMetadataCoverArt(nullptr, 0));
        const uint8_t frame[4] = {1, 2, 3, 4};
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(file->WriteSample(track, frame, 4, mp4::INVALID_DURATION));  // the track's fixed duration
        ASSERT_TRUE(file->Close());
        EXPECT_TRUE(file->Close());  // a second call repeats the first result
    }
    BoxReader reader(dir / "plain.m4a");
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    EXPECT_EQ(reader.Find("moov/trak/mdia/minf/stbl/ctts"), nullptr);
    EXPECT_EQ(reader.Find("moov/udta"), nullptr);
    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak/mdia/minf/stbl"), &tables, &error)) << error;
    EXPECT_EQ(tables.durations, (std::vector<TrackTables::Run>{{10, 1024}}));
    // Without an AudioSpecificConfig the description falls back to the time scale and stereo.
    const auto entry = ReadAudioEntry(reader, *reader.Find("moov/trak/mdia/minf/stbl/stsd/mp4a"));
    EXPECT_EQ(entry.sampleRate, 48000u);
    EXPECT_EQ(entry.channels, 2);
}

TEST(Mp4Structure, NegativeOffsetsAndNonSyncSamplesGetTheirTables)
{
    TempDir dir;
    {
        auto file = mp4::File::Create(dir / "f.mp4");
        const auto track = file->AddAudioTrack(8000, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const uint8_t frame[2] = {9, 9};
        ASSERT_TRUE(file->WriteSample(track, frame, 2, 100, -5, true));
        ASSERT_TRUE(file->WriteSample(track, frame, 2, 100, 7, false));
        ASSERT_TRUE(file->WriteSample(track, frame, 2, 100, 7, true));
        ASSERT_TRUE(file->Close());
    }
    BoxReader reader(dir / "f.mp4");
    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak/mdia/minf/stbl"), &tables, &error)) << error;
    EXPECT_EQ(tables.renderingOffsets, (std::vector<TrackTables::Run>{{1, -5}, {2, 7}}));
    EXPECT_EQ(tables.syncSamples, (std::vector<uint32_t>{1, 3}));
}

TEST(Mp4Structure, RefusesSamplesTheIndexCannotHold)
{
    TempDir dir;
    auto file = mp4::File::Create(dir / "f.mp4");
    const auto track = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
    const uint8_t frame[1] = {0};
    EXPECT_FALSE(file->WriteSample(track + 5, frame, 1, 1024));
    EXPECT_FALSE(file->WriteSample(track, frame, 1, uint64_t{1} << 32));
    EXPECT_FALSE(file->WriteSample(track, frame, 1, mp4::INVALID_DURATION));  // no fixed duration given
    EXPECT_FALSE(file->WriteSample(track, frame, 1, 1024, int64_t{1} << 31));
    EXPECT_FALSE(file->HasFailed());  // refusals are not write failures
    EXPECT_EQ(file->AddChapterTextTrack(track + 1), mp4::INVALID_TRACK_ID);
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->WriteSample(track, frame, 1, 1024));  // closed
}

TEST(Mp4Structure, NeroChapterListIsCappedAndTitlesCutOnCharacterBoundaries)
{
    TempDir dir;
    // 127 two-byte characters then a three-byte one: 254 bytes fit, the euro sign does not.
    std::string title;
    for (int i = 0; i < 127; ++i)
        title += "é";
    title += "€tail";
    {
        auto file = mp4::File::Create(dir / "f.m4b");
        file->AddAudioTrack(44100, 1024, mp4::MPEG4_AUDIO_TYPE);
        for (int i = 0; i < 255; ++i)
            ASSERT_TRUE(file->AddNeroChapter(uint64_t(i) * 10'000'000, i == 0 ? title : "c" + std::to_string(i)));
        EXPECT_FALSE(file->AddNeroChapter(0, "one too many"));
        ASSERT_TRUE(file->Close());
    }
    BoxReader reader(dir / "f.m4b");
    const auto chapters = ReadNeroChapters(reader, *reader.Find("moov/udta/chpl"));
    ASSERT_EQ(chapters.size(), 255u);
    EXPECT_EQ(chapters[0].title, title.substr(0, 254));
    EXPECT_EQ(chapters[254].title, "c254");
    EXPECT_EQ(chapters[254].start100ns, 2'540'000'000u);
}

TEST(Mp4Structure, AudioSpecificConfigGivesChannelsAndRate)
{
    TempDir dir;
    struct Case {
        std::vector<uint8_t> asc;
        uint16_t channels;
        uint32_t rate;
    };
    // Mono 22.05 kHz; 6 channels at 48 kHz; an explicit 24-bit rate (escape index 15).
    const Case cases[] = {{{0x13, 0x88}, 1, 22050},
                          {{0x11, 0xB0}, 6, 48000},
                          {{0x17, 0x80, 0x0F, 0xA0, 0x10}, 2, 8000}};
    for (const auto& c : cases) {
        const auto path = dir / "f.m4a";
        {
            auto file = mp4::File::Create(path);
            const auto track = file->AddAudioTrack(c.rate, 1024, mp4::MPEG4_AUDIO_TYPE);
            file->SetTrackESConfiguration(track, c.asc.data(), static_cast<uint32_t>(c.asc.size()));
            ASSERT_TRUE(file->Close());
        }
        BoxReader reader(path);
        const auto entry = ReadAudioEntry(reader, *reader.Find("moov/trak/mdia/minf/stbl/stsd/mp4a"));
        EXPECT_EQ(entry.channels, c.channels);
        EXPECT_EQ(entry.sampleRate, c.rate);
        EXPECT_EQ(entry.decoderSpecificInfo, c.asc);
    }
}

TEST(Mp4Cover, TypeComesFromTheFirstBytes)
{
    auto detect = [](std::vector<uint8_t> bytes) { return mp4::DetectCoverType(bytes.data(), bytes.size()); };
    EXPECT_EQ(detect({0xFF, 0xD8, 0xFF, 0xE0, 0, 0}), mp4::CoverType::Jpeg);
    EXPECT_EQ(detect({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0}), mp4::CoverType::Png);
    EXPECT_EQ(detect({'G', 'I', 'F', '8', '9', 'a', 1}), mp4::CoverType::Gif);
    EXPECT_EQ(detect({'G', 'I', 'F', '8', '7', 'a'}), mp4::CoverType::Gif);
    EXPECT_EQ(detect({'B', 'M', 0x36, 0, 0, 0}), mp4::CoverType::Bmp);
    EXPECT_EQ(detect({0x89, 'P', 'N', 'G'}), mp4::CoverType::Unknown);  // cut short
    EXPECT_EQ(detect({'R', 'I', 'F', 'F'}), mp4::CoverType::Unknown);
    EXPECT_EQ(detect({}), mp4::CoverType::Unknown);
    EXPECT_EQ(mp4::DetectCoverType(nullptr, 10), mp4::CoverType::Unknown);
}

TEST(Mp4Cover, ItemTypeFollowsTheBytes)
{
    TempDir dir;
    const std::vector<std::pair<std::vector<uint8_t>, uint32_t>> covers = {
        {{0xFF, 0xD8, 0xFF, 0xDB, 1}, 13}, {{'B', 'M', 1, 2}, 27}, {{'G', 'I', 'F', '8', '9', 'a'}, 12}};
    for (const auto& [bytes, type] : covers) {
        {
            auto file = mp4::File::Create(dir / "c.m4b");
            ASSERT_TRUE(file->SetMetadataCoverArt(bytes.data(), static_cast<uint32_t>(bytes.size())));
            ASSERT_TRUE(file->Close());
        }
        BoxReader reader(dir / "c.m4b");
        const auto item = ReadDataItem(reader, *reader.Find("moov/udta/meta/ilst/covr"));
        EXPECT_EQ(item.type, type);
        EXPECT_EQ(std::vector<uint8_t>(item.value.begin(), item.value.end()), bytes);
    }
}

TEST(Mp4Structure, AbandonedFileKeepsAConsistentMdat)
{
    TempDir dir;
    {
        auto file = mp4::File::Create(dir / "f.m4b");
        const auto track = file->AddAudioTrack(44100, 1024, mp4::MPEG4_AUDIO_TYPE);
        const auto bytes = Pattern(300, 1);
        ASSERT_TRUE(file->WriteSample(track, bytes.data(), 300, 1024));
    }  // destroyed without Close
    BoxReader reader(dir / "f.m4b");
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    EXPECT_EQ(reader.Outline(), "ftyp mdat");
    EXPECT_EQ(reader.TopLevel()[1].PayloadSize(), 300u);
}

}  // namespace

TEST(Mp4Structure, AnEditStartSkipsPrimingAndShortensThePresentation)
{
    // Without an edit duration the presentation is the rest of the media; with
    // one it ends early, e.g. before the silence that fills the last frame.
    const struct {
        uint64_t editDuration;
        uint32_t presented;  // audio ticks
    } cases[] = {{0, 43 * 1024}, {42 * 1024 + 333, 42 * 1024 + 333}};
    for (const auto& c : cases) {
        TempDir dir;
        {
            auto file = mp4::File::Create(dir / "edit.m4a");
            ASSERT_TRUE(file);
            file->SetTimeScale(90000);
            const auto track = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
            EXPECT_FALSE(file->SetTrackEditStart(track + 7, 1024));
            ASSERT_TRUE(file->SetTrackEditStart(track, 1024));
            ASSERT_TRUE(file->SetTrackEditDuration(track, c.editDuration));
            const uint8_t frame[4] = {1, 2, 3, 4};
            for (int i = 0; i < 44; ++i)
                ASSERT_TRUE(file->WriteSample(track, frame, 4, 1024));
            ASSERT_TRUE(file->Close());
        }
        BoxReader reader(dir / "edit.m4a");
        ASSERT_TRUE(reader.Ok()) << reader.Error();
        EXPECT_NE(reader.Outline(*reader.Find("moov/trak")).find("tkhd edts(elst) mdia"), std::string::npos)
            << reader.Outline(*reader.Find("moov/trak"));
        const uint32_t movieTicks = (c.presented * 90000u + 22050u) / 44100u;
        uint8_t version = 9;
        testsupport::ByteCursor elst = reader.FullBoxCursor(*reader.Find("moov/trak/edts/elst"), &version);
        EXPECT_EQ(version, 0);
        EXPECT_EQ(elst.U32(), 1u);          // one edit
        EXPECT_EQ(elst.U32(), movieTicks);  // presented length, movie ticks
        EXPECT_EQ(elst.U32(), 1024u);       // starts one frame into the media
        EXPECT_EQ(elst.U16(), 1);           // at normal rate
        // The movie lasts as long as the presentation, not the media.
        testsupport::ByteCursor mvhd = reader.FullBoxCursor(*reader.Find("moov/mvhd"));
        mvhd.Skip(8);
        EXPECT_EQ(mvhd.U32(), 90000u);
        EXPECT_EQ(mvhd.U32(), movieTicks);
    }
}

// As the strictest chapter readers expect: in the movie but not enabled, an
// edit of its own over its whole length, one time entry for every chapter
// (chapters of equal length included).
TEST(Mp4Structure, TheChapterTrackHasItsOwnEditAndATimeEntryPerChapter)
{
    TempDir dir;
    {
        auto file = mp4::File::Create(dir / "chapters.m4b");
        ASSERT_TRUE(file);
        file->SetTimeScale(90000);
        const auto audio = file->AddAudioTrack(44100, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
        const auto chapters = file->AddChapterTextTrack(audio);
        file->SetTrackTimeScale(chapters, 600);
        const uint8_t frame[4] = {1, 2, 3, 4};
        for (int i = 0; i < 60; ++i)
            ASSERT_TRUE(file->WriteSample(audio, frame, 4, 1024));
        for (const uint32_t duration : {300u, 300u, 100u}) {
            const auto text = ChapterTextSample(u"c");
            ASSERT_TRUE(file->WriteSample(chapters, text.data(), static_cast<uint32_t>(text.size()), duration));
        }
        ASSERT_TRUE(file->Close());
    }
    BoxReader reader(dir / "chapters.m4b");
    ASSERT_TRUE(reader.Ok()) << reader.Error();
    EXPECT_EQ(ReadTrackHeader(reader, *reader.Find("moov/trak[1]/tkhd")).flags, 2u);

    const testsupport::Box* edit = reader.Find("moov/trak[1]/edts/elst");
    ASSERT_NE(edit, nullptr) << reader.Outline(*reader.Find("moov/trak[1]"));
    testsupport::ByteCursor elst = reader.FullBoxCursor(*edit);
    EXPECT_EQ(elst.U32(), 1u);           // one edit
    EXPECT_EQ(elst.U32(), 700u * 150u);  // the chapters' 700/600 s, movie ticks
    EXPECT_EQ(elst.U32(), 0u);           // from the start of the media
    EXPECT_EQ(elst.U16(), 1);            // at normal rate

    TrackTables tables;
    std::string error;
    ASSERT_TRUE(ReadTrackTables(reader, *reader.Find("moov/trak[1]/mdia/minf/stbl"), &tables, &error)) << error;
    EXPECT_EQ(tables.durations, (std::vector<TrackTables::Run>{{1, 300}, {1, 300}, {1, 100}}));
}
