#pragma once
// Chapter sheets: a .cue sheet, or a plain chapter list of lines
// "[H:]MM:SS[.mmm] Title", which gives chapters to audio files. The text
// alone; SheetFiles.h reads sheets from disk and finds their audio.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/BookTypes.h"

inline constexpr std::u16string_view CUE_SHEET_EXTENSION = u".cue";

struct sSheetChapter {
    int64_t m_llStart = 0;  // 100 ns units into the file
    std::u16string m_strTitle;
    int m_nLine = 0;  // the line that states the start
};

// The chapters of one audio file.
struct sSheetFile {
    std::u16string m_strName;  // as the FILE line gives it; empty in a chapter list
    int m_nLine = 0;           // the FILE line
    std::vector<sSheetChapter> m_chapters;  // starts strictly rising
};

struct sChapterSheet {
    std::u16string m_strPerformer;  // the sheet's own PERFORMER and TITLE
    std::u16string m_strTitle;
    std::vector<sSheetFile> m_files;  // only files with chapters
    // The first problem, naming its line; not empty: the sheet gives nothing.
    std::u16string m_strProblem;
    // The FILE line's name in effect at the problem; empty before any.
    std::u16string m_strProblemFile;
};

// A .cue sheet: one chapter per TRACK, starting at its INDEX 01 (mm:ss:ff, 75
// frames a second) and titled by its TITLE; PERFORMER and TITLE before the
// first TRACK are the sheet's. `shown` names the sheet in problems.
sChapterSheet ParseCueSheet(std::u16string_view text, std::u16string_view shown);
// A chapter list: one chapter per line "H:MM:SS[.mmm] Title" (any number
// of hour digits) or "MM:SS[.mmm] Title"; blank lines are skipped. One file
// without a name.
sChapterSheet ParseChapterList(std::u16string_view text, std::u16string_view shown);
// A .cue sheet stored inside an audio file (a FLAC's CUESHEET tag): when it
// gives the chapters of one file, they replace `chapters`' own, less those
// at or past its duration; false, with `chapters` untouched, otherwise.
bool TakeEmbeddedSheet(std::u16string_view text, sFileChapters& chapters);

// "`shown`, line `line`: `what`" (without the line when it is 0).
std::u16string SheetProblem(std::u16string_view shown, int line, std::u16string_view what);
// The first chapter of `file` that starts at the end or past `duration` (100 ns; 0:
// not known, nothing to check) of the audio file `audioName`, as a problem;
// empty when every chapter starts inside the file.
std::u16string CheckChapterStarts(const sSheetFile& file, int64_t duration, std::u16string_view shown,
                                  std::u16string_view audioName);
std::vector<sChapterMark> ToChapterMarks(const sSheetFile& file);
