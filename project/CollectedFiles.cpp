#include "project/CollectedFiles.h"

#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <utility>

#include "project/ChapterSheet.h"
#include "project/PathText.h"
#include "base/Text.h"

namespace {

template <size_t N>
bool IsInTable(std::u16string_view extension, const std::array<std::u16string_view, N>& table)
{
    for (std::u16string_view entry : table) {
        if (EqualsIgnoreCase(extension, entry))
            return true;
    }
    return false;
}

// A folder's identity, so that a folder reached again through a link is
// recognised whatever path leads to it.
using FolderId = std::pair<dev_t, ino_t>;

bool GetFolderId(const std::u16string& folder, FolderId& id)
{
    struct stat st {};
    if (::stat(ToPath(folder).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

void Classify(sCollectedFiles& files, const std::u16string& path)
{
    // Only regular files (links followed) are taken: a FIFO or a device named
    // like audio would block whoever opens it, and a broken link has no content.
    const eFileKind kind = ClassifyPath(path);
    if (kind == eFileKind::Other || !IsRegularFile(path))
        return;
    switch (kind) {
    case eFileKind::Image:
        files.m_images.push_back(path);
        break;
    case eFileKind::Audio:
        files.m_audio.push_back(path);
        break;
    case eFileKind::ChapterSheet:
        files.m_sheets.push_back(path);
        break;
    case eFileKind::Other:
        break;
    }
}

// `open` holds the folders between the scan's root and `folder`; a
// sub-folder already among them is a link loop and is skipped.
void ScanFolderBelow(sCollectedFiles& files, const std::u16string& folder, std::set<FolderId>& open)
{
    FolderId id;
    if (!GetFolderId(folder, id) || !open.insert(id).second)
        return;
    std::error_code error;
    std::filesystem::directory_iterator it(ToPath(folder), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::u16string path = JoinPath(folder, FromPath(it->path().filename()));
        std::error_code typeError;
        if (it->is_directory(typeError))
            ScanFolderBelow(files, path, open);
        else
            Classify(files, path);
    }
    open.erase(id);
}

}  // namespace

eFileKind ClassifyPath(std::u16string_view path)
{
    const std::u16string_view extension = ExtensionOf(path);
    if (IsInTable(extension, IMAGE_EXTENSIONS))
        return eFileKind::Image;
    if (IsInTable(extension, AUDIO_EXTENSIONS))
        return eFileKind::Audio;
    if (EqualsIgnoreCase(extension, CUE_SHEET_EXTENSION))
        return eFileKind::ChapterSheet;
    return eFileKind::Other;
}

bool IsRegularFile(const std::u16string& path)
{
    struct stat st {};
    return ::stat(ToPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSameFile(const std::u16string& a, const std::u16string& b)
{
    std::error_code error;
    return a == b || std::filesystem::equivalent(ToPath(a), ToPath(b), error);
}

bool IsFolderPath(const std::u16string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(ToPath(path), error);
}

void sCollectedFiles::CollectPath(const std::u16string& path)
{
    if (IsFolderPath(path))
        ScanFolder(path);
    else
        Classify(*this, path);
}

void sCollectedFiles::ScanFolder(const std::u16string& folder)
{
    std::set<FolderId> open;
    ScanFolderBelow(*this, folder, open);
}
