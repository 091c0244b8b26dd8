#pragma once
// The cover picture an audio file carries inside itself: an ID3 APIC frame, an
// MP4 `covr` item, a FLAC picture block, an Ogg or Opus
// METADATA_BLOCK_PICTURE comment, a Matroska picture attachment. FFmpeg shows
// each as an attached-picture stream as soon as the file is opened; nothing
// is decoded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sAttachedPicture {
    bool m_bFound = false;         // the file carries a picture
    size_t m_nSize = 0;            // the picture's bytes as stored
    std::vector<uint8_t> m_bytes;  // the bytes, when they were asked for and fit
};

// The file's picture: the one marked as the front cover when it has several,
// else the first. Its bytes are copied only when they number at most
// `maxBytes` (0: only whether there is one and its size). Nothing found for a
// file that cannot be opened.
sAttachedPicture ReadAttachedPicture(const std::u16string& path, size_t maxBytes);
