#include "BookProject.h"

#include <algorithm>

#include "BatchNames.h"
#include "PathText.h"

namespace {

// The folder's own name, also when its path ends in separators.
std::u16string FolderName(std::u16string_view folder)
{
    while (folder.size() > 1 && folder.back() == PATH_SEPARATOR)
        folder.remove_suffix(1);
    return std::u16string(LastPathComponent(folder));
}

}  // namespace

sDropPlan PlanDrop(const std::vector<std::u16string>& droppedPaths)
{
    sDropPlan plan;
    for (const std::u16string& path : droppedPaths) {
        if (IsFolderPath(path)) {
            plan.m_bFolderDropped = true;
            plan.m_strBookName = FolderName(path);
        }
        plan.m_files.CollectPath(path);
    }
    plan.m_bReplaceRows = !plan.m_files.m_audio.empty();
    return plan;
}

sCollectedFiles CollectChosenFiles(const std::vector<std::u16string>& paths)
{
    sCollectedFiles files;
    for (const std::u16string& path : paths)
        files.CollectPath(path);
    return files;
}

sAudioBatch PrepareAudioBatch(std::vector<std::u16string> paths, const TagReader& readTags)
{
    sAudioBatch batch;
    if (paths.empty())
        return batch;
    SortPathsOrdinal(paths);
    batch.m_tags = readTags.ReadBatch(paths);
    batch.m_firstTags = batch.m_tags.front();
    batch.m_names = MakeBatchNames(paths);
    batch.m_paths = std::move(paths);
    return batch;
}

CBookProject::CBookProject() : CBookProject(MediaInfoTagReader()) {}

CBookProject::CBookProject(TagReader readTags) : m_readTags(std::move(readTags)) {}

sProjectChange CBookProject::Drop(const std::vector<std::u16string>& paths)
{
    const sDropPlan plan = PlanDrop(paths);
    sProjectChange change;
    if (plan.m_bFolderDropped) {
        m_strBookName = plan.m_strBookName;
        change.m_bBookNameChanged = true;
    }
    if (plan.m_bReplaceRows) {
        m_rows.clear();
        change.m_bRowsReplaced = true;
    }
    const sProjectChange added = AddCollected(plan.m_files);
    change.m_nFirstNewRow = added.m_nFirstNewRow;
    change.m_nNewRows = added.m_nNewRows;
    change.m_bDetailsPrefilled = added.m_bDetailsPrefilled;
    change.m_bCoverChanged = added.m_bCoverChanged;
    return change;
}

sProjectChange CBookProject::AddFiles(const std::vector<std::u16string>& paths)
{
    return AddCollected(CollectChosenFiles(paths));
}

sProjectChange CBookProject::AddCollected(const sCollectedFiles& files)
{
    sProjectChange change;
    change.m_nFirstNewRow = m_rows.size();
    if (!files.m_audio.empty()) {
        const sAudioBatch batch = PrepareAudioBatch(files.m_audio, m_readTags);
        m_details = DetailsFromTags(batch.m_firstTags);
        change.m_bDetailsPrefilled = true;
        for (size_t i = 0; i < batch.m_paths.size(); ++i)
            m_rows.push_back(std::make_unique<sItem>(batch.m_paths[i], batch.m_names[i], batch.m_tags[i]));
        change.m_nNewRows = batch.m_paths.size();
    }
    if (!files.m_images.empty()) {
        m_cover.TakePictures(files.m_images);
        change.m_bCoverChanged = true;
    }
    return change;
}

void CBookProject::New()
{
    m_rows.clear();
    m_cover.Reset();
    m_strBookName.clear();
    m_details = sBookDetails{};
}

void CBookProject::DeleteRows(std::vector<size_t> indices)
{
    // Highest index first, so that no deletion shifts one still to come.
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (size_t index : indices) {
        if (index < m_rows.size())
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
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
