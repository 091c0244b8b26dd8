#include "project/ConversionInputs.h"

#include <cstdint>
#include <sys/stat.h>

#include "base/Text.h"
#include "decode/AttachedPicture.h"
#include "project/CollectedFiles.h"
#include "project/CoverChoice.h"
#include "project/WholeFile.h"

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
    sCoverData cover;
    if (IsEmbeddedCover(path)) {
        // Opening a FIFO named like audio would wait for a writer.
        if (IsRegularFile(path))
            cover.m_data = ReadAttachedPicture(path, MAX_COVER_BYTES).m_bytes;
        return cover;
    }
    sWholeFile file = ReadWholeFile(path, MAX_COVER_BYTES);
    if (file.m_result == eWholeFile::Read)
        cover.m_data = std::move(file.m_bytes);
    return cover;
}

bool IsCoverTooLarge(const std::u16string& path)
{
    if (path.empty())
        return false;
    if (IsEmbeddedCover(path))
        return IsRegularFile(path) && ReadAttachedPicture(path, 0).m_nSize > MAX_COVER_BYTES;
    struct stat st {};
    return ::stat(ToPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<uint64_t>(st.st_size) > MAX_COVER_BYTES;
}

std::u16string CoverTooLargeText(std::u16string_view shown)
{
    return u"The cover picture " + std::u16string(shown) + u" is too large (more than " +
           FromUtf8(std::to_string(MAX_COVER_BYTES >> 20)) + u" MiB)";
}
