#include "base/BookTypes.h"

#include "base/Text.h"

#include <sys/stat.h>

uint32_t QueryFileSizeLow32(const std::u16string& path)
{
    struct stat st {};
    if (::stat(ToPath(path).c_str(), &st) != 0)
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(st.st_size) & 0xFFFFFFFFu);
}
