#include "Item.h"

#include "PathText.h"

int g_nChapterMode = CHAPTERS_FROM_TAG;

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

sItem::sItem(std::u16string path, std::u16string name) : sItem(std::move(path), std::move(name), MediaInfoTagReader()) {}

std::u16string sItem::GetColumnText(int column) const
{
    switch (column) {
    case 0:
        return m_strName;
    case 1:
        return g_nChapterMode == CHAPTERS_FROM_FILENAME ? m_strName : m_Tags.m_strTrackName;
    default:
        return {};
    }
}
