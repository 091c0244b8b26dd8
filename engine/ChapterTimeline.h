#pragma once
// Where the book's chapters lie, by the rules the book writer follows: every
// file is encoded (or copied) in whole AAC frames whose first ones hold its
// priming; the audio track's edit list skips the book's first priming, so a
// later file's priming and the silence that fills the last frame of the file
// before it open its chapter; a chapter inside a file starts where its audio
// is. The writer places each file's chapters with PlaceFileChapters as it
// writes; PlanChapterTimeline lists them all before the book is made, from
// the lengths the files state. Positions are presentation samples at the
// book's rate: audio-track samples less the first file's priming.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/BookTypes.h"

// Ticks per second of the chapter track.
inline constexpr uint32_t kChapterTimeScale = 600;

// Chapter-track time of a position at `rate` (0 for rate 0), truncated.
uint64_t ToChapterTicks(uint64_t samples, uint32_t rate);
// A number of samples at `rate` in 100 ns units, truncated (0 for rate 0).
int64_t SamplesTo100ns(uint64_t samples, uint32_t rate);
// Samples at `rate` of a time in 100 ns units, rounded; negative times are 0.
uint64_t SamplesOf100ns(int64_t time100ns, uint32_t rate);

// One chapter the book holds of a file.
struct sPlacedChapter {
    size_t mark = 0;     // its place among its file's chapters (0 for a file without any)
    uint64_t start = 0;  // where it starts in the book
};

// The chapters of `input`, whose own audio starts at `fileStart` in the book;
// they run from `chapterStart` (the end of the file before) to `chapterEnd`.
// The first starts at `chapterStart`; one that would not last a tick of the
// chapter track (within a tick of the one before it, or at or past the end)
// is left to the one before it and added to `leftOut`.
std::vector<sPlacedChapter> PlaceFileChapters(const sInputFile& input, uint64_t fileStart, uint64_t chapterStart,
                                              uint64_t chapterEnd, uint32_t rate,
                                              std::vector<sLeftOutChapter>& leftOut);

// What the book will hold of one file, as known before it is made.
struct sTimelineFile {
    const sInputFile* input = nullptr;
    uint64_t samples = 0;  // its own samples at the book's rate; 0 when its length is not known
    uint64_t lead = 0;     // the priming samples its frames hold ahead of its own audio
};

// One chapter of the book.
struct sTimelineChapter {
    size_t file = 0;  // its file's place in the book
    size_t mark = 0;  // its place among its file's chapters
    // Where it starts and ends in the book; nullopt where it is not known
    // before the book is made (after a file whose length is not known).
    std::optional<uint64_t> start;
    std::optional<uint64_t> end;
};

// Every chapter of the book in order, with starts within a sample of those
// the writer gives a book whose files decode to the lengths stated.
std::vector<sTimelineChapter> PlanChapterTimeline(const std::vector<sTimelineFile>& files, uint32_t rate);
