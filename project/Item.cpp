#include "project/Item.h"

#include "project/PathText.h"
#include "base/Text.h"

sItem::sItem(std::u16string path, std::u16string name, sTagInfo tags)
    : m_strPath(std::move(path)), m_strName(RemoveExtension(name)), m_Tags(std::move(tags))
{
    if (m_Tags.m_strTrackName.empty())
        m_Tags.m_strTrackName = m_strName;
}

sItem::sItem(std::u16string path, std::u16string name, const TagReader& readTags)
    : sItem(path, std::move(name), readTags(path))
{
}


std::u16string sItem::GetColumnText(int column, int source) const
{
    switch (column) {
    case 0:
        return m_strName;
    case 1: {
        const std::vector<std::u16string> titles = ChapterTitles(source);
        if (titles.size() == 1)
            return titles.front();
        return titles.front() + u" (" + FromUtf8(std::to_string(titles.size())) + u" chapters)";
    }
    default:
        return {};
    }
}

std::vector<std::u16string> sItem::ChapterTitles(int source) const
{
    std::vector<std::u16string> titles = SourceTitles(source);
    for (const auto& [mark, title] : m_editedTitles) {
        if (mark < titles.size())
            titles[mark] = title;
    }
    return titles;
}

std::vector<std::u16string> sItem::SourceTitles(int source) const
{
    const bool fromFileName = source == CHAPTERS_FROM_FILENAME;
    // One chapter keeps the row's title, unless (from tags) it has its own.
    if (m_chapters.size() <= 1 && (fromFileName || m_chapters.empty() || m_chapters.front().m_strTitle.empty()))
        return {fromFileName ? m_strName : m_Tags.m_strTrackName};
    std::vector<std::u16string> titles;
    for (size_t i = 0; i < m_chapters.size(); ++i) {
        const std::u16string& own = m_chapters[i].m_strTitle;
        titles.push_back(fromFileName || own.empty() ? m_strName + u" " + FromUtf8(std::to_string(i + 1)) : own);
    }
    return titles;
}
