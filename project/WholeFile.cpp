#include "project/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/Text.h"

sWholeFile ReadWholeFile(const std::u16string& path, uint64_t maxBytes)
{
    sWholeFile result;
    if (path.empty())
        return result;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come; anything but a regular file is refused right after opening.
    CFileDescriptor file(::open(ToPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        result.m_result = eWholeFile::TooLarge;
        return result;
    }
    result.m_result = eWholeFile::Unreadable;
    try {
        result.m_bytes.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return result;
    }
    size_t done = 0;
    while (done < result.m_bytes.size()) {
        const ssize_t got = ::read(file.Get(), result.m_bytes.data() + done, result.m_bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.m_bytes.clear();
            return result;
        }
        if (got == 0)
            break;  // the file shrank since its size was taken
        done += static_cast<size_t>(got);
    }
    result.m_bytes.resize(done);
    result.m_result = eWholeFile::Read;
    return result;
}
