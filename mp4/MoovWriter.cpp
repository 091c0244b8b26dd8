#include "mp4/MoovWriter.h"

#include "mp4/AudioConfig.h"
#include "mp4/BoxWriter.h"
#include "mp4/MetadataItems.h"
#include "mp4/Track.h"

#include <algorithm>
#include <limits>

namespace mp4 {

namespace {

constexpr uint32_t MAX32 = std::numeric_limits<uint32_t>::max();
constexpr uint16_t LANGUAGE_UNDETERMINED = 0x55C4;  // "und", five bits per letter
constexpr uint8_t AUDIO_STREAM_TYPE = 5;
constexpr uint8_t ES_DESCRIPTOR_TAG = 3;
constexpr uint8_t DECODER_CONFIG_TAG = 4;
constexpr uint8_t DECODER_SPECIFIC_INFO_TAG = 5;
constexpr uint8_t SL_CONFIG_TAG = 6;
constexpr uint8_t INITIAL_OBJECT_DESCRIPTOR_TAG = 0x10;
constexpr uint32_t TRACK_ENABLED = 0x1;
constexpr uint32_t TRACK_IN_MOVIE = 0x2;

uint32_t Clamp32(uint64_t v)
{
    return v > MAX32 ? MAX32 : static_cast<uint32_t>(v);
}

void WriteMatrix(BoxWriter& out)
{
    const uint32_t unity[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : unity)
        out.U32(v);
}

// Creation and modification time, track or movie duration: 64-bit fields
// (version 1) only when a value does not fit 32 bits.
uint8_t VersionFor(uint64_t time, uint64_t duration)
{
    return time > MAX32 || duration > MAX32 ? 1 : 0;
}

void WriteTimes(BoxWriter& out, uint8_t version, uint64_t time)
{
    if (version == 1) {
        out.U64(time);
        out.U64(time);
    } else {
        out.U32(static_cast<uint32_t>(time));
        out.U32(static_cast<uint32_t>(time));
    }
}

void WriteDuration(BoxWriter& out, uint8_t version, uint64_t duration)
{
    if (version == 1)
        out.U64(duration);
    else
        out.U32(static_cast<uint32_t>(duration));
}

void WriteMovieHeader(BoxWriter& out, const MovieDescription& movie, uint64_t duration, uint32_t nextTrackId)
{
    const uint8_t version = VersionFor(movie.creationTime, duration);
    const size_t box = out.BeginFull("mvhd", version, 0);
    WriteTimes(out, version, movie.creationTime);
    out.U32(movie.timeScale);
    WriteDuration(out, version, duration);
    out.U32(0x00010000);  // rate 1.0
    out.U16(0x0100);      // volume 1.0
    out.Zeros(10);
    WriteMatrix(out);
    out.Zeros(24);
    out.U32(nextTrackId);
    out.End(box);
}

void WriteObjectDescriptor(BoxWriter& out, uint8_t audioProfileLevel)
{
    const size_t box = out.BeginFull("iods", 0, 0);
    const size_t descriptor = out.BeginDescriptor(INITIAL_OBJECT_DESCRIPTOR_TAG);
    out.U16(0x004F);  // descriptor id 1, no URL, no inline profiles, reserved bits set
    out.U8(0xFF);     // object descriptor profile: none required
    out.U8(0xFF);     // scene
    out.U8(audioProfileLevel);
    out.U8(0xFF);  // visual
    out.U8(0xFF);  // graphics
    out.EndDescriptor(descriptor);
    out.End(box);
}

void WriteTrackHeader(BoxWriter& out, const Track& track, uint64_t time, uint64_t movieDuration)
{
    const bool audio = track.kind == TrackKind::Audio;
    const uint8_t version = VersionFor(time, movieDuration);
    // The chapter track is part of the movie but not enabled: players read it
    // through `chap` and do not show it.
    const size_t box = out.BeginFull("tkhd", version, audio ? TRACK_ENABLED | TRACK_IN_MOVIE : TRACK_IN_MOVIE);
    WriteTimes(out, version, time);
    out.U32(track.id);
    out.U32(0);
    WriteDuration(out, version, movieDuration);
    out.Zeros(8);
    out.U16(0);                      // layer
    out.U16(0);                      // alternate group
    out.U16(audio ? 0x0100 : 0);     // volume
    out.U16(0);
    WriteMatrix(out);
    out.U32(0);  // width
    out.U32(0);  // height
    out.End(box);
}

void WriteMediaHeader(BoxWriter& out, const Track& track, uint64_t time)
{
    const uint64_t duration = track.table.Duration();
    const uint8_t version = VersionFor(time, duration);
    const size_t box = out.BeginFull("mdhd", version, 0);
    WriteTimes(out, version, time);
    out.U32(track.timeScale);
    WriteDuration(out, version, duration);
    out.U16(LANGUAGE_UNDETERMINED);
    out.U16(0);
    out.End(box);
}

void WriteHandler(BoxWriter& out, std::string_view type, std::string_view name)
{
    const size_t box = out.BeginFull("hdlr", 0, 0);
    out.U32(0);
    out.Type(type);
    out.Zeros(12);
    out.Bytes(name.data(), name.size());
    out.U8(0);
    out.End(box);
}

void WriteDataInformation(BoxWriter& out)
{
    const size_t dinf = out.Begin("dinf");
    const size_t dref = out.BeginFull("dref", 0, 0);
    out.U32(1);
    const size_t url = out.BeginFull("url ", 0, 1);  // flag 1: the data is in this file
    out.End(url);
    out.End(dref);
    out.End(dinf);
}

void WriteAudioSampleEntry(BoxWriter& out, const Track& track)
{
    const SampleTable& table = track.table;
    AudioFormat format{track.timeScale, 2};
    if (auto parsed = ParseAudioSpecificConfig(track.esConfig.data(), track.esConfig.size())) {
        format.sampleRate = parsed->sampleRate;
        if (parsed->channels != 0)
            format.channels = parsed->channels;
    }
    const size_t entry = out.Begin("mp4a");
    out.Zeros(6);
    out.U16(1);  // data reference index
    out.U16(0);  // version
    out.U16(0);  // revision
    out.U32(0);  // vendor
    out.U16(format.channels);
    out.U16(16);  // sample size
    out.U16(0);   // compression id
    out.U16(0);   // packet size
    // 16.16 fixed point; rates above 65 535 Hz do not fit and are left to the decoder config.
    out.U32(format.sampleRate <= 0xFFFF ? format.sampleRate << 16 : 0);

    const uint64_t duration = table.Duration();
    const uint64_t averageBitRate =
        duration == 0 ? 0
                      : static_cast<uint64_t>(static_cast<unsigned __int128>(table.TotalBytes()) * 8 *
                                              track.timeScale / duration);
    const uint64_t maxBitRate = std::max(table.MostBytesPerWindow() * 8, averageBitRate);

    const size_t esds = out.BeginFull("esds", 0, 0);
    const size_t es = out.BeginDescriptor(ES_DESCRIPTOR_TAG);
    out.U16(static_cast<uint16_t>(track.id));
    out.U8(0);  // no dependency, URL or OCR stream
    const size_t config = out.BeginDescriptor(DECODER_CONFIG_TAG);
    out.U8(track.audioType);
    out.U8(static_cast<uint8_t>(AUDIO_STREAM_TYPE << 2 | 1));  // upstream 0, reserved 1
    out.U24(std::min<uint32_t>(table.LargestSample(), 0xFFFFFF));
    out.U32(Clamp32(maxBitRate));
    out.U32(Clamp32(averageBitRate));
    if (!track.esConfig.empty()) {
        const size_t info = out.BeginDescriptor(DECODER_SPECIFIC_INFO_TAG);
        out.Bytes(track.esConfig.data(), track.esConfig.size());
        out.EndDescriptor(info);
    }
    out.EndDescriptor(config);
    const size_t sl = out.BeginDescriptor(SL_CONFIG_TAG);
    out.U8(2);  // predefined: as used in MP4 files
    out.EndDescriptor(sl);
    out.EndDescriptor(es);
    out.End(esds);
    out.End(entry);
}

// The sample description of a QuickTime text track, all defaults.
void WriteTextSampleEntry(BoxWriter& out)
{
    const size_t entry = out.Begin("text");
    out.Zeros(6);
    out.U16(1);   // data reference index
    out.U32(0);   // display flags
    out.U32(1);   // justification: centred
    out.Zeros(6); // background colour
    out.Zeros(8); // default text box
    out.Zeros(8); // reserved
    out.U16(0);   // font number
    out.U16(0);   // font face
    out.U8(0);
    out.U16(0);
    out.Zeros(6); // foreground colour
    out.U8(0);    // font name: empty Pascal string
    out.End(entry);
}

void WriteSampleDescriptions(BoxWriter& out, const Track& track)
{
    const size_t stsd = out.BeginFull("stsd", 0, 0);
    out.U32(1);
    if (track.kind == TrackKind::Audio)
        WriteAudioSampleEntry(out, track);
    else
        WriteTextSampleEntry(out);
    out.End(stsd);
}

void WriteTimeToSample(BoxWriter& out, const Track& track)
{
    const SampleTable& table = track.table;
    const size_t stts = out.BeginFull("stts", 0, 0);
    if (track.kind == TrackKind::ChapterText) {
        // Chapter readers may take one time entry for one chapter: chapters
        // of equal length keep an entry each.
        out.U32(table.SampleCount());
        for (const auto& run : table.Durations()) {
            for (uint32_t i = 0; i < run.count; ++i) {
                out.U32(1);
                out.U32(run.duration);
            }
        }
    } else {
        out.U32(static_cast<uint32_t>(table.Durations().size()));
        for (const auto& run : table.Durations()) {
            out.U32(run.count);
            out.U32(run.duration);
        }
    }
    out.End(stts);
}

void WriteRenderingOffsets(BoxWriter& out, const SampleTable& table)
{
    const auto offsets = table.RenderingOffsets();
    if (offsets.empty())
        return;
    // Version 1 stores signed offsets; version 0 is enough when none is negative.
    const size_t ctts = out.BeginFull("ctts", table.HasNegativeOffset() ? 1 : 0, 0);
    out.U32(static_cast<uint32_t>(offsets.size()));
    for (const auto& run : offsets) {
        out.U32(run.count);
        out.U32(static_cast<uint32_t>(run.offset));
    }
    out.End(ctts);
}

void WriteSyncSamples(BoxWriter& out, const SampleTable& table)
{
    if (table.AllSync())
        return;
    const size_t stss = out.BeginFull("stss", 0, 0);
    out.U32(static_cast<uint32_t>(table.SyncSamples().size()));
    for (uint32_t number : table.SyncSamples())
        out.U32(number);
    out.End(stss);
}

void WriteSampleToChunk(BoxWriter& out, const SampleTable& table)
{
    const auto chunkRuns = table.SamplesPerChunk();
    const size_t stsc = out.BeginFull("stsc", 0, 0);
    out.U32(static_cast<uint32_t>(chunkRuns.size()));
    for (const auto& run : chunkRuns) {
        out.U32(run.firstChunk);
        out.U32(run.samplesPerChunk);
        out.U32(1);  // sample description index
    }
    out.End(stsc);
}

void WriteSampleSizes(BoxWriter& out, const SampleTable& table)
{
    const size_t stsz = out.BeginFull("stsz", 0, 0);
    out.U32(0);  // sizes differ: one entry per sample
    out.U32(table.SampleCount());
    for (uint32_t size : table.Sizes())
        out.U32(size);
    out.End(stsz);
}

void WriteChunkOffsets(BoxWriter& out, const SampleTable& table)
{
    const auto& chunkOffsets = table.ChunkOffsets();
    const bool wide = table.LargestChunkOffset() > MAX32;
    const size_t stco = out.BeginFull(wide ? "co64" : "stco", 0, 0);
    out.U32(static_cast<uint32_t>(chunkOffsets.size()));
    for (uint64_t offset : chunkOffsets) {
        if (wide)
            out.U64(offset);
        else
            out.U32(static_cast<uint32_t>(offset));
    }
    out.End(stco);
}

void WriteSampleTables(BoxWriter& out, const Track& track)
{
    const size_t stbl = out.Begin("stbl");
    WriteSampleDescriptions(out, track);
    WriteTimeToSample(out, track);
    WriteRenderingOffsets(out, track.table);
    WriteSyncSamples(out, track.table);
    WriteSampleToChunk(out, track.table);
    WriteSampleSizes(out, track.table);
    WriteChunkOffsets(out, track.table);
    out.End(stbl);
}

void WriteMediaInformation(BoxWriter& out, const Track& track)
{
    const size_t minf = out.Begin("minf");
    if (track.kind == TrackKind::Audio) {
        const size_t smhd = out.BeginFull("smhd", 0, 0);
        out.U16(0);  // balance
        out.U16(0);
        out.End(smhd);
    } else {
        const size_t gmhd = out.Begin("gmhd");
        const size_t gmin = out.BeginFull("gmin", 0, 0);
        out.U16(0x0040);  // graphics mode: dither copy
        out.U16(0x8000);  // opcolor
        out.U16(0x8000);
        out.U16(0x8000);
        out.U16(0);  // balance
        out.U16(0);
        out.End(gmin);
        const size_t text = out.Begin("text");
        WriteMatrix(out);
        out.End(text);
        out.End(gmhd);
    }
    WriteDataInformation(out);
    WriteSampleTables(out, track);
    out.End(minf);
}

// One edit: the presentation starts `editStart` ticks into the media and
// lasts `presentedDuration` movie ticks.
void WriteEditList(BoxWriter& out, const Track& track, uint64_t presentedDuration)
{
    const size_t edts = out.Begin("edts");
    const uint8_t version = presentedDuration > MAX32 || track.editStart > 0x7FFFFFFF ? 1 : 0;
    const size_t elst = out.BeginFull("elst", version, 0);
    out.U32(1);
    if (version == 1) {
        out.U64(presentedDuration);
        out.U64(track.editStart);
    } else {
        out.U32(static_cast<uint32_t>(presentedDuration));
        out.U32(static_cast<uint32_t>(track.editStart));
    }
    out.U16(1);  // media rate 1.0
    out.U16(0);
    out.End(elst);
    out.End(edts);
}

void WriteTrack(BoxWriter& out, const MovieDescription& movie, const Track& track)
{
    const size_t trak = out.Begin("trak");
    const uint64_t presented = Rescale(track.PresentedDuration(), track.timeScale, movie.timeScale);
    WriteTrackHeader(out, track, movie.creationTime, presented);
    if (track.chapterTrack != INVALID_TRACK_ID) {
        const size_t tref = out.Begin("tref");
        const size_t chap = out.Begin("chap");
        out.U32(track.chapterTrack);
        out.End(chap);
        out.End(tref);
    }
    if (track.HasEdit())
        WriteEditList(out, track, presented);
    const size_t mdia = out.Begin("mdia");
    WriteMediaHeader(out, track, movie.creationTime);
    if (track.kind == TrackKind::Audio)
        WriteHandler(out, "soun", "SoundHandler");
    else
        WriteHandler(out, "text", "TextHandler");
    WriteMediaInformation(out, track);
    out.End(mdia);
    out.End(trak);
}

}  // namespace

uint64_t Rescale(uint64_t value, uint32_t from, uint32_t to)
{
    if (from == 0)
        return 0;
    const unsigned __int128 scaled = (static_cast<unsigned __int128>(value) * to + from / 2) / from;
    return scaled > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                         : static_cast<uint64_t>(scaled);
}

std::vector<uint8_t> BuildMoov(const MovieDescription& movie)
{
    uint64_t duration = 0;
    uint32_t nextTrackId = 1;
    for (const Track* track : movie.tracks) {
        duration = std::max(duration, Rescale(track->PresentedDuration(), track->timeScale, movie.timeScale));
        nextTrackId = std::max(nextTrackId, track->id + 1);
    }
    BoxWriter out;
    // The tables dominate: reserve for them so the buffer is not grown by doubling.
    size_t estimate = 64 * 1024;
    for (const Track* track : movie.tracks) {
        const SampleTable& t = track->table;
        estimate += size_t{t.SampleCount()} * 4 + t.ChunkOffsets().size() * 20 + t.Durations().size() * 8 +
                    t.SyncSamples().size() * 4;
    }
    out.Reserve(estimate);
    const size_t moov = out.Begin("moov");
    WriteMovieHeader(out, movie, duration, nextTrackId);
    WriteObjectDescriptor(out, movie.audioProfileLevel);
    for (const Track* track : movie.tracks)
        WriteTrack(out, movie, *track);
    if (movie.metadata)
        movie.metadata->WriteUserData(out);
    out.End(moov);
    return out.Release();
}

}  // namespace mp4
