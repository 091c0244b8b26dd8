#include "BookProject.h"

#include <algorithm>
#include <functional>

#include "BatchNames.h"
#include "OutputPath.h"
#include "PathText.h"

namespace {

// `path` without the separators at its end (the root stays "/").
std::u16string_view WithoutTrailingSeparators(std::u16string_view path)
{
    while (path.size() > 1 && path.back() == PATH_SEPARATOR)
        path.remove_suffix(1);
    return path;
}

// The folder that holds `path`: everything before its last separator ("/"
// for a file in the root, empty for a bare name).
std::u16string FolderOf(std::u16string_view path)
{
    const size_t separator = path.rfind(PATH_SEPARATOR);
    if (separator == std::u16string_view::npos)
        return {};
    return std::u16string(path.substr(0, separator == 0 ? 1 : separator));
}

}  // namespace

CBookProject::CBookProject(TagReader readTags)
    : m_readTags(readTags ? std::move(readTags) : MediaInfoTagReader())
{
}

void CBookProject::Drop(const std::vector<std::u16string>& paths)
{
    sCollectedFiles files;
    for (const std::u16string& path : paths) {
        if (IsFolderPath(path)) {
            m_strBookFolder = WithoutTrailingSeparators(path);
            m_strBookName = LastPathComponent(m_strBookFolder);
        }
        files.CollectPath(path);
    }
    // Audio replaces the book; pictures alone keep the rows.
    if (!files.m_audio.empty())
        ClearRows();
    AddCollected(files);
}

void CBookProject::AddFiles(const std::vector<std::u16string>& paths)
{
    sCollectedFiles files;
    for (const std::u16string& path : paths)
        files.CollectPath(path);
    AddCollected(files);
}

void CBookProject::AddCollected(const sCollectedFiles& files)
{
    if (!files.m_audio.empty())
        AddAudioBatch(files.m_audio);
    if (!files.m_images.empty()) {
        m_cover.TakePictures(files.m_images);
        m_pView->OnCoverChanged();
    }
}

void CBookProject::AddAudioBatch(std::vector<std::u16string> paths)
{
    SortPathsOrdinal(paths);
    // One read for the whole batch: the tag reader starts one helper
    // process for it, not one per file.
    std::vector<sTagInfo> tags = m_readTags.ReadBatch(paths);
    m_details = DetailsFromTags(tags.front());
    m_pView->OnDetailsChanged();
    const std::vector<std::u16string> names = MakeBatchNames(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        m_rows.push_back(std::make_unique<sItem>(paths[i], names[i], std::move(tags[i])));
        m_pView->OnRowAdded(m_rows.size() - 1, i + 1);
    }
    m_pView->OnBatchAdded();
}

void CBookProject::ClearRows()
{
    m_rows.clear();
    m_pView->OnRowsCleared();
}

void CBookProject::New()
{
    ClearRows();
    m_cover.Reset();
    m_pView->OnCoverChanged();
    m_strBookName.clear();
    m_strBookFolder.clear();
    m_details = sBookDetails{};
    m_pView->OnDetailsChanged();
}

void CBookProject::DeleteRows(std::vector<size_t> indices)
{
    // Highest index first, so that no deletion shifts one still to come.
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(indices.begin(), std::find_if(indices.begin(), indices.end(),
                                                [this](size_t index) { return index < m_rows.size(); }));
    if (indices.empty())
        return;
    for (size_t index : indices)
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    m_pView->OnRowsDeleted(indices);
}

void CBookProject::SetChapterSource(int source)
{
    g_nChapterMode = source == CHAPTERS_FROM_FILENAME ? CHAPTERS_FROM_FILENAME : CHAPTERS_FROM_TAG;
    m_pView->OnChapterSourceChanged();
}

void CBookProject::SetCoverPath(std::u16string path)
{
    m_cover.SetText(std::move(path));
    m_pView->OnCoverChanged();
}

std::u16string CBookProject::OfferedFileName() const
{
    return m_strBookName.empty() ? std::u16string() : m_strBookName + u".m4b";
}

std::u16string CBookProject::SaveFolder() const
{
    if (!m_strSavedFolder.empty())
        return m_strSavedFolder;
    if (!m_strBookFolder.empty())
        return m_strBookFolder;
    return m_rows.empty() ? std::u16string() : FolderOf(m_rows.front()->m_strPath);
}

void CBookProject::NoteSavedTo(const std::u16string& output)
{
    std::u16string folder = FolderOf(output);
    if (!folder.empty())
        m_strSavedFolder = std::move(folder);
}

eOutputClash CBookProject::OutputClash(const std::u16string& output) const
{
    std::vector<std::u16string> files;
    for (const auto& row : m_rows)
        files.push_back(row->m_strPath);
    if (OutputWouldOverwriteInput(output, files))
        return eOutputClash::InputFile;
    if (OutputWouldOverwriteInput(output, {m_cover.GetCoverPath()}))
        return eOutputClash::Cover;
    return eOutputClash::None;
}

sConversionInputs CBookProject::BuildInputs() const
{
    sConversionInputs inputs;
    inputs.m_files = BuildInputFiles(m_rows);
    if (!m_rows.empty())
        inputs.m_metadata = BuildMetadata(m_rows.front()->m_Tags, m_details);
    inputs.m_cover = ReadCoverBytes(m_cover.GetCoverPath());
    return inputs;
}
