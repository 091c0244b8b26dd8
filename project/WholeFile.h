#pragma once
// Reads a small file whole: a cover picture, a file of details beside the
// audio. Only regular files are read, and only up to a limit, so that a FIFO
// or a device named like one never blocks and a huge file never fills the
// memory.
#include <cstdint>
#include <string>
#include <vector>

enum class eWholeFile {
    Read,        // m_bytes holds the file
    Missing,     // no regular file there (or it cannot be opened)
    TooLarge,    // larger than the limit; nothing read
    Unreadable,  // a read failed, or the memory for it could not be had
};

struct sWholeFile {
    eWholeFile m_result = eWholeFile::Missing;
    std::vector<uint8_t> m_bytes;
};

sWholeFile ReadWholeFile(const std::u16string& path, uint64_t maxBytes);
