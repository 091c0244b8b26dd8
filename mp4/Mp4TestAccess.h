#pragma once
// For tests only: reaches file offsets beyond 4 GiB without writing 4 GiB.
#include "mp4/Mp4File.h"

#include <cstdint>

namespace mp4 {

struct FileTestAccess {
    // Moves the end of `mdat` forward by `count` bytes that belong to no
    // sample, leaving a hole in the file (sparse on most file systems).
    static bool SkipMdatBytes(File& file, uint64_t count);
};

}  // namespace mp4
