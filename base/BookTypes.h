#pragma once
// Records shared by the book project and the conversion engine.
#include <cstdint>
#include <string>
#include <vector>

// Tag values of one input file; also the book's metadata record.
struct sTagInfo {
    std::u16string m_strPerformer;
    std::u16string m_strPublisher;
    std::u16string m_strTrackName;
    std::u16string m_strAlbum;
    std::u16string m_strRecordedDate;
    std::u16string m_strGenre;
    std::u16string m_strComment;
};

// One input of a conversion.
struct sInputFile {
    std::u16string m_strPath;
    std::u16string m_strTitle;
    uint32_t m_nSize = 0;  // low 32 bits of the file size; 0 when not found
};

// Low 32 bits of the size of the file at `path`, 0 when it cannot be found.
uint32_t QueryFileSizeLow32(const std::u16string& path);

// The cover picture's bytes, exactly as stored on disk; empty: no cover.
struct sCoverData {
    std::vector<uint8_t> m_data;
    uint32_t Size() const { return static_cast<uint32_t>(m_data.size()); }
};
