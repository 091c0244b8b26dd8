#pragma once
// Records shared by the book project and the conversion engine.
#include <cstdint>
#include <string>
#include <vector>

#include "base/BookDetails.h"

// Tag values of one input file; also the book's metadata record.
struct sTagInfo {
    std::u16string m_strTrackName;
    sBookDetails m_details;
};

// A chapter that an input file brings: its own chapter list, or a cue
// sheet's or a chapter list's track.
struct sChapterMark {
    int64_t m_llStart = 0;  // 100 ns units from the start of the file's own audio
    std::u16string m_strTitle;
};

// What a file says of its own length and chapters.
struct sFileChapters {
    int64_t m_llDuration = 0;  // 100 ns units; 0 when not known
    std::vector<sChapterMark> m_chapters;  // in order of their starts
};

// One input of a conversion.
struct sInputFile {
    std::u16string m_strPath;
    std::u16string m_strTitle;
    uint32_t m_nSize = 0;  // low 32 bits of the file size; 0 when not found
    // Chapters inside the file, in order; the first starts where the file's
    // audio starts. Empty: the file is one chapter titled m_strTitle.
    std::vector<sChapterMark> m_chapters{};
};

// A chapter inside a file that the book cannot hold: it starts at or past the
// end of its file's audio (within its last chapter-track tick), or within a
// tick of the chapter before it.
struct sLeftOutChapter {
    std::u16string m_strPath;   // the file it is in
    std::u16string m_strTitle;  // its title in the book
    int64_t m_llStart = 0;      // 100 ns units from the start of the file's audio
    int64_t m_llFileEnd = 0;    // where the file's audio ends, 100 ns units
    bool m_bTooClose = false;   // true: the chapter before it starts within a tick
};

// Low 32 bits of the size of the file at `path`, 0 when it cannot be found.
uint32_t QueryFileSizeLow32(const std::u16string& path);

// The cover picture's bytes, exactly as stored on disk; empty: no cover.
struct sCoverData {
    std::vector<uint8_t> m_data;
    uint32_t Size() const { return static_cast<uint32_t>(m_data.size()); }
};
