#include "project/CoverChoice.h"

#include "project/BatchNames.h"
#include "project/CollectedFiles.h"
#include "project/PathText.h"

bool IsEmbeddedCover(std::u16string_view path)
{
    return ClassifyPath(path) == eFileKind::Audio;
}

std::u16string CoverLineText(std::u16string_view path)
{
    std::u16string text(LastPathComponent(path));
    if (IsEmbeddedCover(path))
        text += u" (embedded)";
    return text;
}

int FindImage(const std::vector<std::u16string>& paths, std::u16string_view word)
{
    for (size_t i = 0; i < paths.size(); ++i) {
        if (ToLowerCase(LastPathComponent(paths[i])).find(word) != std::u16string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

int PreselectCover(const std::vector<std::u16string>& sortedPaths)
{
    if (sortedPaths.empty())
        return -1;
    int line = FindImage(sortedPaths, u"cover");
    if (line < 0)
        line = FindImage(sortedPaths, u"album");
    return line < 0 ? 0 : line;
}

void CCoverChoice::TakePictures(std::vector<std::u16string> paths)
{
    if (paths.empty())
        return;
    SortPathsOrdinal(paths);
    Reset();
    m_paths = std::move(paths);
    Select(PreselectCover(m_paths));
}

void CCoverChoice::Reset()
{
    m_paths.clear();
    m_nSelected = -1;
    m_strText.clear();
}

void CCoverChoice::SetText(std::u16string text)
{
    m_strText = std::move(text);
    m_nSelected = -1;
}

void CCoverChoice::Select(int line)
{
    if (line < 0 || static_cast<size_t>(line) >= m_paths.size()) {
        m_nSelected = -1;
        return;
    }
    m_nSelected = line;
    m_strText = CoverLineText(m_paths[line]);
}

std::u16string CCoverChoice::GetCoverPath() const
{
    return m_nSelected >= 0 ? m_paths[m_nSelected] : m_strText;
}

std::vector<std::u16string> CCoverChoice::LineTexts() const
{
    std::vector<std::u16string> texts;
    texts.reserve(m_paths.size());
    for (const std::u16string& path : m_paths)
        texts.push_back(CoverLineText(path));
    return texts;
}
