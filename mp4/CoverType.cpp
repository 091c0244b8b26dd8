#include "mp4/Mp4File.h"

#include <cstring>

namespace mp4 {

CoverType DetectCoverType(const uint8_t* data, size_t size)
{
    auto startsWith = [&](const char* magic, size_t length) {
        return data != nullptr && size >= length && std::memcmp(data, magic, length) == 0;
    };
    if (startsWith("\xFF\xD8\xFF", 3))
        return CoverType::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return CoverType::Png;
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return CoverType::Gif;
    if (startsWith("BM", 2))
        return CoverType::Bmp;
    return CoverType::Unknown;
}

}  // namespace mp4
