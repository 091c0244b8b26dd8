#include "project/BookProject.h"

#include <algorithm>
#include <functional>

#include "decode/AttachedPicture.h"
#include "project/BatchNames.h"
#include "project/BookSidecar.h"
#include "project/OutputPath.h"
#include "project/PartFolder.h"
#include "project/PathText.h"
#include "project/SheetFiles.h"

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

CBookProject::CBookProject(TagReader readTags, ChapterReader readChapters)
    : m_readTags(readTags ? std::move(readTags) : MediaInfoTagReader()), m_readChapters(std::move(readChapters))
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
    AddCollected(files, !files.m_audio.empty());
}

void CBookProject::DropBookFolder(const std::u16string& folder, const sCollectedFiles& files)
{
    m_strBookFolder = WithoutTrailingSeparators(folder);
    m_strBookName = LastPathComponent(m_strBookFolder);
    if (!files.m_audio.empty())
        ClearRows();
    AddCollected(files, !files.m_audio.empty());
}

void CBookProject::AddFiles(const std::vector<std::u16string>& paths)
{
    sCollectedFiles files;
    for (const std::u16string& path : paths)
        files.CollectPath(path);
    AddCollected(files, false);
}

void CBookProject::AddCollected(const sCollectedFiles& files, bool newBook)
{
    ForgetSheetProblems(files.m_sheets);
    const size_t problemsBefore = m_chapterProblems.size();
    std::vector<sChapterSheet> sheets;
    std::vector<sSheetTarget> targets = ReadSheets(files.m_sheets, sheets);
    if (!files.m_audio.empty())
        AddAudioBatch(files.m_audio, targets);
    // A sheet may also be for a file that is already in the list.
    for (sSheetTarget& target : targets) {
        if (target.m_bTaken)
            continue;
        auto row = std::find_if(m_rows.rbegin(), m_rows.rend(),
                                [&](const auto& item) { return IsSameFile(item->m_strPath, target.m_strAudio); });
        if (row == m_rows.rend()) {
            // Not for a row: it goes only with its sheet.
            m_chapterProblems.push_back({target.m_strSheet, {},
                                         SheetProblem(target.m_strSheet, target.m_pFile->m_nLine,
                                                      u"FILE \"" + target.m_pFile->m_strName +
                                                          u"\" is not among the audio files of the list")});
        } else if (TakeSheetChapters(**row, *target.m_pFile, target.m_strSheet)) {
            m_pView->OnRowChanged(static_cast<size_t>(std::distance(row, m_rows.rend()) - 1));
        }
    }
    if (m_chapterProblems.size() != problemsBefore || (!files.m_audio.empty() && !m_detailNotices.empty()))
        m_pView->OnChapterProblems();
    if (!files.m_images.empty()) {
        m_cover.TakePictures(files.m_images);
        m_pView->OnCoverChanged();
    } else if (!files.m_audio.empty() && (newBook || m_cover.GetCoverPath().empty())) {
        // Only now, and only up to the first file with a picture: a batch
        // with a picture file beside it opens none of its files for this.
        for (size_t row = m_rows.size() - files.m_audio.size(); row < m_rows.size(); ++row) {
            if (ReadAttachedPicture(m_rows[row]->m_strPath, 0).m_bFound) {
                m_cover.TakePictures({m_rows[row]->m_strPath});
                m_pView->OnCoverChanged();
                break;
            }
        }
    }
}

std::vector<CBookProject::sSheetTarget> CBookProject::ReadSheets(const std::vector<std::u16string>& paths,
                                                                 std::vector<sChapterSheet>& sheets)
{
    sheets.reserve(paths.size());  // the targets point into it
    std::vector<sSheetTarget> targets;
    for (const std::u16string& path : paths) {
        sheets.push_back(ReadChapterSheet(path, m_strSheetEncoding));
        const sChapterSheet& sheet = sheets.back();
        if (!sheet.m_strProblem.empty()) {
            std::u16string audio = sheet.m_strProblemFile.empty()
                                       ? std::u16string()
                                       : FindSheetAudio(path, sheet.m_strProblemFile).m_strPath;
            m_chapterProblems.push_back({path, std::move(audio), sheet.m_strProblem});
            continue;
        }
        for (const sSheetFile& file : sheet.m_files) {
            sSheetAudio audio = FindSheetAudio(path, file.m_strName);
            if (audio.m_strPath.empty()) {
                m_chapterProblems.push_back(
                    {path, {}, SheetProblem(path, file.m_nLine, u"FILE \"" + file.m_strName + u"\" names a missing file")});
                continue;
            }
            if (audio.m_bOtherExtension)
                m_chapterProblems.push_back({path, audio.m_strPath,
                                             SheetProblem(path, file.m_nLine,
                                                          u"FILE \"" + file.m_strName + u"\" is missing; \"" +
                                                              std::u16string(LastPathComponent(audio.m_strPath)) +
                                                              u"\" is taken in its place"),
                                             true});
            targets.push_back({std::move(audio.m_strPath), path, &sheet, &file});
        }
    }
    return targets;
}

void CBookProject::AddAudioBatch(std::vector<std::u16string> paths, std::vector<sSheetTarget>& targets)
{
    SortPathsInBookOrder(paths);
    // One read for the whole batch: the tag reader starts one helper
    // process for it, not one per file, which reads tags and chapters alike.
    std::vector<sFileFacts> facts = m_readTags.ReadFiles(paths);
    m_details = facts.front().m_tags.m_details;
    // The files beside the audio are stronger than the first file's tags.
    sSidecarDetails sidecar = ReadSidecarDetails(paths.front(), m_strSheetEncoding);
    OverlayDetails(m_details, sidecar.m_details);
    m_detailNotices = std::move(sidecar.m_notices);
    for (const sSheetTarget& target : targets) {
        if (IsSameFile(target.m_strAudio, paths.front()))
            PrefillFromSheet(*target.m_pSheet);
    }
    m_pView->OnDetailsChanged();
    const std::vector<std::u16string> names = MakeBatchNames(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        auto row = std::make_unique<sItem>(paths[i], names[i], std::move(facts[i].m_tags));
        TakeRowChapters(*row, std::move(facts[i].m_chapters), targets);
        m_rows.push_back(std::move(row));
        m_pView->OnRowAdded(m_rows.size() - 1, i + 1);
    }
    m_pView->OnBatchAdded();
}

void CBookProject::TakeRowChapters(sItem& row, sFileChapters own, std::vector<sSheetTarget>& targets)
{
    if (m_readChapters)
        own = m_readChapters(row.m_strPath);
    row.m_llDuration = own.m_llDuration;
    row.m_chapters = std::move(own.m_chapters);
    for (sSheetTarget& target : targets) {
        if (!target.m_bTaken && IsSameFile(target.m_strAudio, row.m_strPath)) {
            target.m_bTaken = true;
            TakeSheetChapters(row, *target.m_pFile, target.m_strSheet);
        }
    }
}

bool CBookProject::TakeSheetChapters(sItem& row, const sSheetFile& file, const std::u16string& sheet)
{
    std::u16string problem = CheckChapterStarts(file, row.m_llDuration, sheet, LastPathComponent(row.m_strPath));
    if (!problem.empty()) {
        m_chapterProblems.push_back({sheet, row.m_strPath, std::move(problem)});
        return false;
    }
    row.m_chapters = ToChapterMarks(file);
    // A file's first chapter starts with its audio: a later start is moved.
    const sSheetChapter& first = file.m_chapters.front();
    if (first.m_llStart > 0)
        m_chapterProblems.push_back({sheet, row.m_strPath,
                                     SheetProblem(sheet, first.m_nLine,
                                                  u"the first chapter starts at " + FormatChapterTime(first.m_llStart) +
                                                      u"; it is moved to the start of \"" +
                                                      std::u16string(LastPathComponent(row.m_strPath)) + u"\""),
                                     true});
    return true;
}

void CBookProject::PrefillFromSheet(const sChapterSheet& sheet)
{
    if (m_details[eDetail::Artist].empty())
        m_details[eDetail::Artist] = sheet.m_strPerformer;
    if (m_details[eDetail::Album].empty())
        m_details[eDetail::Album] = sheet.m_strTitle;
}

void CBookProject::SetChapterFile(const std::u16string& path)
{
    ForgetSheetProblems({path});
    if (m_rows.size() != 1) {
        m_chapterProblems.push_back({path, {}, SheetProblem(path, 0, u"chapters are for a book of one file")});
        return;
    }
    const std::u16string& audio = m_rows.front()->m_strPath;
    const sChapterSheet sheet = ReadChapterSheet(path, m_strSheetEncoding);
    if (!sheet.m_strProblem.empty()) {
        m_chapterProblems.push_back({path, audio, sheet.m_strProblem});
        return;
    }
    if (sheet.m_files.size() != 1) {
        m_chapterProblems.push_back({path, audio,
                                     SheetProblem(path, sheet.m_files[1].m_nLine,
                                                  u"a second FILE: chapters are for a book of one file")});
        return;
    }
    if (!TakeSheetChapters(*m_rows.front(), sheet.m_files.front(), path))
        return;
    m_pView->OnRowChanged(0);
    PrefillFromSheet(sheet);
    m_pView->OnDetailsChanged();
}

std::vector<std::u16string> CBookProject::ChapterProblems() const
{
    return SheetMessages(false);
}

std::vector<std::u16string> CBookProject::ChapterNotices() const
{
    std::vector<std::u16string> notices = SheetMessages(true);
    notices.insert(notices.end(), m_detailNotices.begin(), m_detailNotices.end());
    return notices;
}

std::vector<std::u16string> CBookProject::SheetMessages(bool notices) const
{
    std::vector<std::u16string> texts;
    for (const sChapterProblem& problem : m_chapterProblems) {
        if (problem.m_bNotice == notices)
            texts.push_back(problem.m_strText);
    }
    return texts;
}

void CBookProject::ForgetSheetProblems(const std::vector<std::u16string>& paths)
{
    std::erase_if(m_chapterProblems, [&](const sChapterProblem& problem) {
        return std::any_of(paths.begin(), paths.end(),
                           [&](const std::u16string& path) { return IsSameFile(path, problem.m_strSheet); });
    });
}

void CBookProject::ClearRows()
{
    m_rows.clear();
    m_chapterProblems.clear();
    m_detailNotices.clear();
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
    std::vector<std::u16string> deleted;
    for (size_t index : indices) {
        deleted.push_back(m_rows[index]->m_strPath);
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // A problem goes with the last row of the file it is for, and every
    // problem with the last row.
    if (m_rows.empty()) {
        m_chapterProblems.clear();
        m_detailNotices.clear();
    }
    std::erase_if(m_chapterProblems, [&](const sChapterProblem& problem) {
        const auto isAudio = [&](const std::u16string& path) { return IsSameFile(path, problem.m_strAudio); };
        return !problem.m_strAudio.empty() && std::any_of(deleted.begin(), deleted.end(), isAudio) &&
               std::none_of(m_rows.begin(), m_rows.end(), [&](const auto& row) { return isAudio(row->m_strPath); });
    });
    m_pView->OnRowsDeleted(indices);
}

void CBookProject::SetChapterSource(int source)
{
    m_nChapterSource = source == CHAPTERS_FROM_FILENAME ? CHAPTERS_FROM_FILENAME : CHAPTERS_FROM_TAG;
    m_pView->OnChapterSourceChanged();
}

std::vector<sBookChapter> CBookProject::BookChapters(const sEncodingChoice& encoding) const
{
    std::vector<int64_t> durations;
    for (const auto& row : m_rows)
        durations.push_back(row->m_llDuration);
    return ListBookChapters(BuildInputFiles(m_rows, m_nChapterSource), durations, encoding);
}

std::u16string CBookProject::RenameChapter(size_t row, size_t mark, std::u16string title)
{
    if (title.find_first_not_of(u" \t") == std::u16string::npos)
        return u"A chapter needs a title: an empty one would leave players nothing to show.";
    if (row >= m_rows.size() || mark >= m_rows[row]->ChapterTitles(m_nChapterSource).size())
        return u"There is no such chapter.";
    m_rows[row]->m_editedTitles[mark] = std::move(title);
    m_pView->OnRowChanged(row);
    return {};
}

void CBookProject::ResetTitles()
{
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row]->m_editedTitles.empty())
            continue;
        m_rows[row]->m_editedTitles.clear();
        m_pView->OnRowChanged(row);
    }
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


sConversionContext CBookProject::BuildConversion(const std::u16string& output, const sEncodingChoice& encoding) const
{
    sConversionContext context;
    context.m_files = BuildInputFiles(m_rows, m_nChapterSource);
    if (!m_rows.empty())
        context.m_metadata = BuildMetadata(m_rows.front()->m_Tags, m_details);
    context.m_cover = ReadCoverBytes(m_cover.GetCoverPath());
    context.m_strOutput = output;
    context.m_encoding = encoding;
    context.m_split = m_split;
    return context;
}
