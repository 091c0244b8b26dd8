#pragma once
// Cuts a book's audio into work units, so that every processor stays busy to
// the end however the book is split into files. A unit is a stretch of one
// file in whole AAC frames, encoded by an encoder of its own.
#include <cstddef>
#include <cstdint>
#include <vector>

// The end of a file's last unit: wherever its audio ends.
constexpr uint64_t kToFileEnd = UINT64_MAX;

struct sWorkUnit {
    size_t file = 0;  // the file's place in the book
    int index = 0;    // the unit's place among its file's `count` units
    int count = 1;
    // The file's AAC frames the unit gives the book: [firstFrame, endFrame),
    // numbered from the file's first sample.
    uint64_t firstFrame = 0;
    uint64_t endFrame = kToFileEnd;

    bool First() const { return index == 0; }
    bool Last() const { return index + 1 == count; }
    bool Whole() const { return count == 1; }
};

// One unit per file, or several for long files. `fileFrames[i]` is the
// length of file i in whole AAC frames, 0 when it must stay whole (its length
// is unknown, or it cannot be cut exactly). Units of one file are of equal
// length within a frame, and no shorter than `minUnitFrames`.
std::vector<sWorkUnit> PlanWorkUnits(const std::vector<uint64_t>& fileFrames, int processors,
                                     uint64_t minUnitFrames);
