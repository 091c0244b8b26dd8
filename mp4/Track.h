#pragma once
// What the writer knows of one track while the file is being written.
#include "mp4/Mp4File.h"
#include "mp4/SampleTable.h"

#include <cstdint>
#include <vector>

namespace mp4 {

enum class TrackKind { Audio, ChapterText };

struct Track {
    Track(TrackId id, TrackKind kind, uint32_t timeScale)
        : id(id), kind(kind), timeScale(timeScale), table(kind == TrackKind::Audio ? timeScale : 0)
    {
        table.SetWindow(timeScale);
    }

    TrackId id;
    TrackKind kind;
    uint32_t timeScale;
    uint64_t fixedSampleDuration = INVALID_DURATION;
    uint8_t audioType = MPEG4_AUDIO_TYPE;
    std::vector<uint8_t> esConfig;            // AudioSpecificConfig, audio only
    TrackId chapterTrack = INVALID_TRACK_ID;  // the `chap` reference, audio only
    uint64_t editStart = 0;                   // media ticks the presentation skips (`elst`)
    uint64_t editDuration = 0;                // ticks presented after them; 0: the rest
    SampleTable table;

    // Chapter readers want the chapter track's own edit, over its whole media.
    bool HasEdit() const
    {
        return editStart > 0 || editDuration > 0 || (kind == TrackKind::ChapterText && table.SampleCount() > 0);
    }
    // Presentation length in track ticks: the media less what the edit skips,
    // and no longer than the edit's duration.
    uint64_t PresentedDuration() const
    {
        const uint64_t media = table.Duration();
        const uint64_t rest = media > editStart ? media - editStart : 0;
        return editDuration > 0 && editDuration < rest ? editDuration : rest;
    }
};

}  // namespace mp4
