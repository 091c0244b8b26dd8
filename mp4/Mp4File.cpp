#include "mp4/Mp4File.h"

#include "mp4/FileSink.h"
#include "mp4/MetadataItems.h"
#include "mp4/MoovWriter.h"
#include "mp4/Mp4TestAccess.h"
#include "mp4/Track.h"

#include <ctime>
#include <limits>
#include <vector>

namespace mp4 {

namespace {

constexpr uint64_t SECONDS_1904_TO_1970 = 2082844800;
constexpr uint32_t DEFAULT_MOVIE_TIME_SCALE = 1000;

void AppendType(std::vector<uint8_t>& out, const char* type)
{
    out.insert(out.end(), type, type + 4);
}

void AppendU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// `ftyp`, then the header of an `mdat` whose 64-bit size is filled in on Close.
std::vector<uint8_t> FileHeader()
{
    std::vector<uint8_t> out;
    out.reserve(48);  // ftyp (32) and the mdat header with its 64-bit size (16)
    AppendU32(out, 32);
    AppendType(out, "ftyp");
    AppendType(out, "M4B ");
    AppendU32(out, 0);  // minor version
    for (const char* brand : {"M4B ", "M4A ", "mp42", "isom"})
        AppendType(out, brand);
    AppendU32(out, 1);  // size 1: the real size follows as 64 bits
    AppendType(out, "mdat");
    out.insert(out.end(), 8, 0);
    return out;
}

constexpr uint64_t MDAT_START = 32;
constexpr uint64_t MDAT_LARGESIZE_OFFSET = MDAT_START + 8;

}  // namespace

struct File::Impl {
    std::unique_ptr<FileSink> sink;
    uint32_t movieTimeScale = DEFAULT_MOVIE_TIME_SCALE;
    uint8_t audioProfileLevel = 0xFF;
    std::vector<std::unique_ptr<Track>> tracks;
    MetadataItems metadata;
    bool closed = false;
    bool closeResult = false;
    bool mdatFinished = false;

    Track* Find(TrackId id)
    {
        return id >= 1 && id <= tracks.size() ? tracks[id - 1].get() : nullptr;
    }

    TrackId Add(TrackKind kind, uint32_t timeScale)
    {
        const auto id = static_cast<TrackId>(tracks.size() + 1);
        tracks.push_back(std::make_unique<Track>(id, kind, timeScale));
        return id;
    }

    bool Open() const { return !closed && !sink->Failed(); }

    // Writes the size of `mdat` into its header.
    bool FinishMdat()
    {
        mdatFinished = true;
        const uint64_t size = sink->Position() - MDAT_START;
        uint8_t be[8];
        for (int i = 0; i < 8; ++i)
            be[i] = static_cast<uint8_t>(size >> (56 - 8 * i));
        return sink->WriteAt(MDAT_LARGESIZE_OFFSET, be, sizeof be);
    }

    bool SetText(const char* type, const std::string& text)
    {
        if (closed || text.empty())
            return false;
        metadata.SetText(type, text);
        return true;
    }
};

File::File(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

File::~File()
{
    if (!m_impl->closed && !m_impl->sink->Failed())
        m_impl->FinishMdat();
    m_impl->sink->Close();
}

std::unique_ptr<File> File::Create(const std::filesystem::path& path, std::string* error)
{
    auto impl = std::make_unique<Impl>();
    impl->sink = FileSink::Open(path, error);
    if (!impl->sink)
        return nullptr;
    const auto header = FileHeader();
    impl->sink->Write(header.data(), header.size());
    return std::unique_ptr<File>(new File(std::move(impl)));
}

bool File::SetTimeScale(uint32_t timeScale)
{
    if (m_impl->closed || timeScale == 0)
        return false;
    m_impl->movieTimeScale = timeScale;
    return true;
}

TrackId File::AddAudioTrack(uint32_t timeScale, uint64_t sampleDuration, uint8_t audioType)
{
    if (m_impl->closed || timeScale == 0)
        return INVALID_TRACK_ID;
    const TrackId id = m_impl->Add(TrackKind::Audio, timeScale);
    Track* track = m_impl->Find(id);
    track->fixedSampleDuration = sampleDuration;
    track->audioType = audioType;
    return id;
}

TrackId File::AddChapterTextTrack(TrackId refTrack, uint32_t timeScale)
{
    Track* ref = m_impl->Find(refTrack);
    if (m_impl->closed || ref == nullptr || ref->kind != TrackKind::Audio)
        return INVALID_TRACK_ID;
    const TrackId id = m_impl->Add(TrackKind::ChapterText, timeScale != 0 ? timeScale : ref->timeScale);
    // Adding a track may have moved the list: look the reference up again.
    m_impl->Find(refTrack)->chapterTrack = id;
    return id;
}

bool File::SetTrackTimeScale(TrackId id, uint32_t timeScale)
{
    Track* track = m_impl->Find(id);
    if (m_impl->closed || track == nullptr || timeScale == 0)
        return false;
    track->timeScale = timeScale;
    if (track->kind == TrackKind::Audio)
        track->table.SetChunkLength(timeScale);
    track->table.SetWindow(timeScale);
    return true;
}

bool File::SetTrackEditStart(TrackId id, uint64_t mediaTime)
{
    Track* track = m_impl->Find(id);
    if (m_impl->closed || track == nullptr || mediaTime > static_cast<uint64_t>(INT64_MAX))
        return false;
    track->editStart = mediaTime;
    return true;
}

bool File::SetTrackEditDuration(TrackId id, uint64_t duration)
{
    Track* track = m_impl->Find(id);
    if (m_impl->closed || track == nullptr)
        return false;
    track->editDuration = duration;
    return true;
}

bool File::SetAudioProfileLevel(uint8_t level)
{
    if (m_impl->closed)
        return false;
    m_impl->audioProfileLevel = level;
    return true;
}

bool File::SetTrackESConfiguration(TrackId id, const uint8_t* config, uint32_t size)
{
    Track* track = m_impl->Find(id);
    if (m_impl->closed || track == nullptr || track->kind != TrackKind::Audio || (config == nullptr && size != 0))
        return false;
    track->esConfig.assign(config, config + size);
    return true;
}

bool File::SetMetadataTool(const std::string& text) { return m_impl->SetText("\xA9too", text); }
bool File::SetMetadataText(const std::string& type, const std::string& text)
{
    return type.size() == 4 && m_impl->SetText(type.c_str(), text);
}

bool File::SetMetadataFreeform(const std::string& name, const std::string& text)
{
    if (m_impl->closed || name.empty() || text.empty())
        return false;
    m_impl->metadata.SetFreeform(name, text);
    return true;
}

bool File::SetMetadataNumber(const std::string& type, int16_t value)
{
    if (m_impl->closed || type.size() != 4)
        return false;
    m_impl->metadata.SetNumber(type, value);
    return true;
}

bool File::SetMetadataCoverArt(const uint8_t* data, uint32_t size)
{
    if (m_impl->closed || data == nullptr || size == 0)
        return false;
    m_impl->metadata.SetCover(data, size);
    return true;
}

bool File::SetMetadataMediaKind(uint8_t kind)
{
    if (m_impl->closed)
        return false;
    m_impl->metadata.SetMediaKind(kind);
    return true;
}

bool File::AddNeroChapter(uint64_t start100ns, const std::string& title)
{
    return !m_impl->closed && m_impl->metadata.AddChapter(start100ns, title);
}

bool File::WriteSample(TrackId id, const uint8_t* data, uint32_t size, uint64_t duration, int64_t renderingOffset,
                       bool isSync)
{
    Track* track = m_impl->Find(id);
    if (!m_impl->Open() || track == nullptr || (data == nullptr && size != 0))
        return false;
    if (duration == INVALID_DURATION)
        duration = track->fixedSampleDuration;
    // `stts` and `ctts` hold 32-bit values; a table holds at most 2^32 - 1 samples.
    if (duration > std::numeric_limits<uint32_t>::max() ||
        renderingOffset < std::numeric_limits<int32_t>::min() ||
        renderingOffset > std::numeric_limits<int32_t>::max() ||
        track->table.SampleCount() == std::numeric_limits<uint32_t>::max())
        return false;
    const uint64_t offset = m_impl->sink->Position();
    if (!m_impl->sink->Write(data, size))
        return false;
    track->table.Add(offset, size, static_cast<uint32_t>(duration), static_cast<int32_t>(renderingOffset), isSync);
    return true;
}

bool File::Close()
{
    Impl& impl = *m_impl;
    if (impl.closed)
        return impl.closeResult;
    impl.closed = true;
    if (!impl.sink->Failed() && impl.FinishMdat()) {
        MovieDescription movie;
        movie.timeScale = impl.movieTimeScale;
        movie.audioProfileLevel = impl.audioProfileLevel;
        movie.creationTime = static_cast<uint64_t>(std::time(nullptr)) + SECONDS_1904_TO_1970;
        for (const auto& track : impl.tracks)
            movie.tracks.push_back(track.get());
        movie.metadata = &impl.metadata;
        const auto moov = BuildMoov(movie);
        impl.sink->Write(moov.data(), moov.size());
    }
    impl.closeResult = impl.sink->Close();
    return impl.closeResult;
}

bool File::HasFailed() const
{
    return m_impl->sink->Failed();
}

std::string File::ErrorText() const
{
    return m_impl->sink->Error();
}

bool FileTestAccess::SkipMdatBytes(File& file, uint64_t count)
{
    return file.m_impl->Open() && file.m_impl->sink->Skip(count);
}

}  // namespace mp4
