#pragma once
// Long chapters cut into parts of about a chosen length, for books whose files
// bring no chapters of their own (a radio recording, a tape, a download). A
// chapter longer than 1.5 lengths becomes round(chapter / length) parts with
// evenly spaced targets; each cut moves to the middle of the longest pause
// near its target, so that no cut falls inside a word. The levels come from
// the units' own decoding (engine/LevelMeter.h): no extra pass over the book.
#include <cstdint>
#include <string>
#include <vector>

enum class eSplitMode {
    Off,
    Pauses,  // each cut moves into the longest pause near its target
    Exact,   // each cut is at its target
};

// The conversion's choice of splitting (the command line's --split-chapters,
// the window's "Split Long Chapters").
struct sChapterSplit {
    eSplitMode m_eMode = eSplitMode::Off;
    int64_t m_llLength = 0;  // the parts' length aimed at, 100 ns units

    bool Splits() const { return m_eMode != eSplitMode::Off && m_llLength > 0; }
};

// The shortest part length taken: shorter parts help no listener find a
// place, and would make thousands of chapters of a long book.
constexpr int64_t kMinSplitLength = 10 * 10000000LL;

// Parts a chapter of `chapter` is cut into, with `length` in the same unit:
// 1 up to 1.5 lengths, else the nearest whole number of lengths.
int SplitPartCount(uint64_t chapter, uint64_t length);

// How far a cut may move from its target, each way: a fifth of the length.
constexpr uint64_t kCutReachDivisor = 5;
// A pause is at least this long (milliseconds) ...
constexpr uint32_t kMinPauseMs = 400;
// ... with every level window in it below -40 dBFS (mean square relative to
// a full-scale sample).
constexpr float kPauseMeanSquare = 1e-4f;

// Where the chapter [start, end) (file samples) is cut, in file samples, in
// order: one cut fewer than SplitPartCount gives, each at its target
// (start + k * (end - start) / parts) or, with eSplitMode::Pauses, at the
// middle of the longest pause (ties: the one nearest the target) whose windows
// lie within the reach of the target, or where there is none at the middle of
// the quietest stretch of a pause's length (the quietest within 1 dB: the
// nearest the target). `levels[k]` is the mean square of the file's samples
// [k * window, (k + 1) * window); windows the levels do not cover count as
// loud, and a target without any window in reach stays where it is.
std::vector<uint64_t> ChooseCuts(const std::vector<float>& levels, uint32_t window, uint32_t rate, uint64_t start,
                                 uint64_t end, uint64_t length, eSplitMode mode);

// The title of part `part` (from 1) of `parts` of a chapter titled `title`:
// the first part keeps the title; a later one is "Title (2/4)", or "Part 2"
// where the chapter is a whole one-file book (`wholeBook`), whose title
// already names the book.
std::u16string PartTitle(const std::u16string& title, int part, int parts, bool wholeBook);
