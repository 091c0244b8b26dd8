#include "project/ConversionInputs.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/Text.h"

std::vector<sInputFile> BuildInputFiles(const std::vector<const sItem*>& rows, int source)
{
    std::vector<sInputFile> files;
    files.reserve(rows.size());
    for (const sItem* row : rows) {
        sInputFile file;
        file.m_strPath = row->m_strPath;
        const std::vector<std::u16string> titles = row->ChapterTitles(source);
        file.m_strTitle = titles.front();
        file.m_nSize = QueryFileSizeLow32(row->m_strPath);
        if (titles.size() > 1) {
            for (size_t i = 0; i < titles.size(); ++i)
                file.m_chapters.push_back({row->m_chapters[i].m_llStart, titles[i]});
        }
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<sInputFile> BuildInputFiles(const std::vector<std::unique_ptr<sItem>>& rows, int source)
{
    std::vector<const sItem*> view;
    view.reserve(rows.size());
    for (const auto& row : rows)
        view.push_back(row.get());
    return BuildInputFiles(view, source);
}

sTagInfo BuildMetadata(const sTagInfo& firstRowTags, const sBookDetails& details)
{
    sTagInfo metadata = firstRowTags;
    metadata.m_details = details;
    return metadata;
}

sCoverData ReadCoverBytes(const std::u16string& path)
{
    if (path.empty())
        return {};
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come; anything but a regular file is refused right after opening.
    CFileDescriptor file(::open(ToPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > MAX_COVER_BYTES)
        return {};
    sCoverData cover;
    try {
        cover.m_data.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return {};
    }
    size_t done = 0;
    while (done < cover.m_data.size()) {
        const ssize_t got = ::read(file.Get(), cover.m_data.data() + done, cover.m_data.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;  // the file shrank since its size was taken
        done += static_cast<size_t>(got);
    }
    cover.m_data.resize(done);
    return cover;
}

bool IsCoverTooLarge(const std::u16string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(ToPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<uint64_t>(st.st_size) > MAX_COVER_BYTES;
}

std::u16string CoverTooLargeText(std::u16string_view shown)
{
    return u"The cover picture " + std::u16string(shown) + u" is too large (more than " +
           FromUtf8(std::to_string(MAX_COVER_BYTES >> 20)) + u" MiB)";
}
