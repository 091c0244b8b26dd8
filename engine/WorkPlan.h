#pragma once
// Cuts a book's audio into work units, so that every processor stays busy to
// the end however the book is split into files. A unit is a stretch of one
// file in whole AAC frames, encoded by an encoder of its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The end of a file's last unit: wherever its audio ends.
constexpr uint64_t kToFileEnd = UINT64_MAX;
// Frames a unit's encoder is given ahead of its first kept frame. The AAC
// decoder rebuilds each block from two neighbouring frames, so a unit's first
// frame must continue the signal its neighbour's last frame encoded: one
// frame does that. The encoder's adaptive state (rate control) takes longer: a
// fresh encoder settles into the continuous one's state in a pause, but one
// that starts inside a loud, noisy word codes all of it worse. After four
// frames a seam in speech still stood out against one continuous encode;
// sixteen (0.37 s at 44.1 kHz, about 0.5 % more work per unit) reach back to
// the pause before a word that began up to 0.37 s before the unit.
constexpr uint64_t kPrerollFrames = 16;

struct sWorkUnit {
    size_t file = 0;  // the file's place in the book
    int index = 0;    // the unit's place among its file's `count` units
    int count = 1;
    // The file's AAC frames the unit gives the book: [firstFrame, endFrame),
    // numbered from the file's first sample.
    uint64_t firstFrame = 0;
    uint64_t endFrame = kToFileEnd;
    // Frames before firstFrame that the unit's encoder is given (as far as
    // the file has them) and does not keep.
    uint64_t prerollFrames = kPrerollFrames;

    bool First() const { return index == 0; }
    bool Last() const { return index + 1 == count; }
    bool Whole() const { return count == 1; }
};

// What the plan knows of one file of the book.
struct sPlannedFile {
    uint64_t frames = 0;    // its length in whole AAC frames at the book's rate; 0 when unknown
    bool cuttable = false;  // its samples can be found exactly without decoding from its start
};

// One unit per file, or several for long files. The unit length comes from
// the whole book's length, files that stay whole included; a cuttable file
// at least two units long is cut into units of equal length within a frame,
// no shorter than `minUnitFrames`, unless `mayCut(i)`, asked only of such a
// file, says no.
std::vector<sWorkUnit> PlanWorkUnits(const std::vector<sPlannedFile>& files, int processors, uint64_t minUnitFrames,
                                     const std::function<bool(size_t)>& mayCut = nullptr);
