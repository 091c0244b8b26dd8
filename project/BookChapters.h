#pragma once
// The list of every chapter a book will have, as the chapter dialog and
// tavlin-cli --dry-run show it: where each starts in the book and how long it
// lasts, placed by the book writer's rules from the lengths the files state.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/BookTypes.h"
#include "engine/ConversionContext.h"

struct sBookChapter {
    int m_nNumber = 0;  // 1 for the book's first chapter
    // Where it starts in the book and how long it lasts, 100 ns units;
    // nullopt where that is not known before the book is made.
    std::optional<int64_t> m_start;
    std::optional<int64_t> m_length;
    std::u16string m_strTitle;
    std::u16string m_strPath;  // the file it comes from
    size_t m_nFile = 0;        // that file's place in the book (its row)
    size_t m_nMark = 0;        // its place among that file's chapters
};

// The chapters of a book of `files` (in book order, as BuildInputFiles gives
// them) whose stated playing times are `durations` (100 ns; 0 when not
// known), made as `encoding` says: the book's rate and each file's priming
// come from its first file and the encoder, or, for a book whose AAC frames
// are copied, from the files. Reads the files' headers.
std::vector<sBookChapter> ListBookChapters(const std::vector<sInputFile>& files, const std::vector<int64_t>& durations,
                                           const sEncodingChoice& encoding);

// "H:MM:SS.mmm", or "unknown" for a time not known before the book is made.
std::u16string FormatBookTime(const std::optional<int64_t>& time100ns);

// What a player cannot show of `count` chapters, said to the user: empty
// when the book's chapter lists hold them all.
std::u16string TooManyChaptersText(size_t count);
