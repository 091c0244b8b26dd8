#pragma once
// A small MP4 writer for audiobooks: one `mdat` written as samples arrive and
// a `moov` index written on Close. Offers the operations a book writer needs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace mp4 {

using TrackId = uint32_t;
constexpr TrackId INVALID_TRACK_ID = 0;
constexpr uint64_t INVALID_DURATION = ~uint64_t{0};  // every sample states its own
constexpr uint8_t MPEG4_AUDIO_TYPE = 0x40;

enum class CoverType : uint32_t { Gif = 12, Jpeg = 13, Png = 14, Bmp = 27, Unknown = 0 };
// The image type from a picture's first bytes (12 GIF, 13 JPEG, 14 PNG, 27 BMP).
CoverType DetectCoverType(const uint8_t* data, size_t size);

// Not locked: calls may come from different threads, but never at the same time.
class File {
public:
    // Creates (truncates) the file and starts `ftyp` and the `mdat` header.
    // Null when the file cannot be created; `error` then says why.
    static std::unique_ptr<File> Create(const std::filesystem::path& path, std::string* error = nullptr);
    // Without Close: finishes `mdat` and closes the file, without an index.
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The movie time scale (default 1000).
    bool SetTimeScale(uint32_t timeScale);
    // An audio track; sampleDuration INVALID_DURATION: per-sample durations,
    // otherwise the duration of samples written with INVALID_DURATION.
    // Channel count and sample rate come from the ES configuration.
    TrackId AddAudioTrack(uint32_t timeScale, uint64_t sampleDuration, uint8_t audioType);
    // A text track holding chapters, referenced from `refTrack` by `chap`: in
    // the movie but not enabled, with an edit over its whole length and one
    // time entry per chapter, as the strictest chapter readers expect.
    // timeScale 0 lets the writer choose (the reference track's).
    TrackId AddChapterTextTrack(TrackId refTrack, uint32_t timeScale = 0);
    bool SetTrackTimeScale(TrackId track, uint32_t timeScale);
    bool SetAudioProfileLevel(uint8_t level);
    // The AudioSpecificConfig of an audio track.
    bool SetTrackESConfiguration(TrackId track, const uint8_t* config, uint32_t size);
    // Presentation of the track starts `mediaTime` track ticks into its media
    // (an edit list), e.g. to skip an encoder's priming samples. 0: no edit.
    bool SetTrackEditStart(TrackId track, uint64_t mediaTime);
    // The presentation lasts `duration` track ticks (at most the media after
    // the edit's start), e.g. to leave out the silence that fills the last
    // frame. 0: the rest of the media.
    bool SetTrackEditDuration(TrackId track, uint64_t duration);

    // Tag items, UTF-8 text. An empty text sets nothing.
    bool SetMetadataTool(const std::string& text);
    // The item `type`, a four-byte code such as "\xA9" "ART".
    bool SetMetadataText(const std::string& type, const std::string& text);
    // A freeform item (`----`) named `name` in the "com.apple.iTunes" space.
    bool SetMetadataFreeform(const std::string& name, const std::string& text);
    // A 16-bit integer item such as the movement number "\xA9mvi".
    bool SetMetadataNumber(const std::string& type, int16_t value);
    // The picture's bytes unchanged; size 0 sets nothing.
    bool SetMetadataCoverArt(const uint8_t* data, uint32_t size);
    bool SetMetadataMediaKind(uint8_t kind);  // `stik`: 2 = audiobook

    // A Nero chapter list entry (`udta/chpl`): start in 100 ns units, UTF-8
    // title (cut to 255 bytes). False once the list holds 255 entries.
    bool AddNeroChapter(uint64_t start100ns, const std::string& title);

    // Appends one sample to `mdat`. False when the bytes could not be written
    // (writes are buffered: a failure may surface on a later sample or on
    // Close) or the sample does not fit the index (duration over 32 bits,
    // rendering offset outside 32 bits signed, unknown track).
    bool WriteSample(TrackId track, const uint8_t* data, uint32_t size, uint64_t duration,
                     int64_t renderingOffset = 0, bool isSync = true);

    // Writes the index (`moov`), patches the `mdat` size and closes the file.
    // False on any write or close failure, now or earlier. A second call
    // returns the first result.
    bool Close();

    // True once any write has failed.
    bool HasFailed() const;
    // What failed, for diagnostics; empty while nothing has.
    std::string ErrorText() const;

    struct Impl;

private:
    friend struct FileTestAccess;
    explicit File(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace mp4
