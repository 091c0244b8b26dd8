#include "engine/ChapterTimeline.h"

#include "decode/AacFrames.h"

uint64_t ToChapterTicks(uint64_t samples, uint32_t rate)
{
    return rate ? samples * kChapterTimeScale / rate : 0;
}

int64_t SamplesTo100ns(uint64_t samples, uint32_t rate)
{
    return rate ? static_cast<int64_t>(samples * 10000000ull / rate) : 0;
}

uint64_t SamplesOf100ns(int64_t time100ns, uint32_t rate)
{
    const uint64_t time = time100ns > 0 ? static_cast<uint64_t>(time100ns) : 0;
    return (time * rate + 5000000) / 10000000;
}

std::vector<sPlacedChapter> PlaceFileChapters(const sInputFile& input, uint64_t fileStart, uint64_t chapterStart,
                                              uint64_t chapterEnd, uint32_t rate,
                                              std::vector<sLeftOutChapter>& leftOut)
{
    std::vector<sPlacedChapter> chapters = {{0, chapterStart}};
    for (size_t i = 1; i < input.m_chapters.size(); ++i) {
        const sChapterMark& mark = input.m_chapters[i];
        const uint64_t start = fileStart + SamplesOf100ns(mark.m_llStart, rate);
        const bool tooClose = ToChapterTicks(start, rate) <= ToChapterTicks(chapters.back().start, rate);
        if (!tooClose && ToChapterTicks(start, rate) < ToChapterTicks(chapterEnd, rate)) {
            chapters.push_back({i, start});
            continue;
        }
        // Said, not lost in silence: the file's audio ends before the
        // chapter (its container stated it longer), or the chapter before
        // it takes its place.
        const uint64_t fileEnd = chapterEnd > fileStart ? chapterEnd - fileStart : 0;
        leftOut.push_back({input.m_strPath, mark.m_strTitle, mark.m_llStart, SamplesTo100ns(fileEnd, rate), tooClose});
    }
    return chapters;
}

std::vector<sTimelineChapter> PlanChapterTimeline(const std::vector<sTimelineFile>& files, uint32_t rate)
{
    std::vector<sTimelineChapter> timeline;
    if (files.empty())
        return timeline;
    const uint64_t editStart = files.front().lead;
    uint64_t trackPosition = 0;  // audio-track samples of the files before
    uint64_t chapterStart = 0;
    bool known = true;  // every file before has a known length
    std::vector<sLeftOutChapter> leftOut;
    for (size_t f = 0; f < files.size(); ++f) {
        const sTimelineFile& file = files[f];
        // The file's frames: its priming and its audio, the last frame filled up.
        const uint64_t frames = (file.lead + file.samples + kAacFrameLength - 1) / kAacFrameLength;
        const uint64_t lead = trackPosition + file.lead;
        const uint64_t fileStart = lead > editStart ? lead - editStart : 0;
        trackPosition += frames * kAacFrameLength;
        const bool lengthKnown = known && file.samples > 0;
        // A file of unknown length still places its own chapters after its first.
        const uint64_t chapterEnd = lengthKnown ? fileStart + file.samples : UINT64_MAX;
        const std::vector<sPlacedChapter> placed =
            PlaceFileChapters(*file.input, fileStart, chapterStart, chapterEnd, rate, leftOut);
        for (size_t i = 0; i < placed.size(); ++i) {
            sTimelineChapter chapter{f, placed[i].mark, {}, {}};
            if (known)
                chapter.start = placed[i].start;
            if (known && (i + 1 < placed.size() || lengthKnown))
                chapter.end = i + 1 < placed.size() ? placed[i + 1].start : chapterEnd;
            timeline.push_back(chapter);
        }
        known = lengthKnown;
        chapterStart = chapterEnd;
    }
    return timeline;
}
