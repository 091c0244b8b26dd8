#include "project/LeftOutChapters.h"

#include "project/ChapterSheet.h"
#include "project/PathText.h"

std::vector<sLeftOutChapter> ChaptersPastStatedEnd(const std::vector<std::unique_ptr<sItem>>& rows, int source)
{
    std::vector<sLeftOutChapter> leftOut;
    for (const auto& row : rows) {
        if (row->m_llDuration <= 0 || row->m_chapters.size() < 2)
            continue;
        const std::vector<std::u16string> titles = row->ChapterTitles(source);
        for (size_t i = 1; i < row->m_chapters.size(); ++i) {
            const int64_t start = row->m_chapters[i].m_llStart;
            if (start >= row->m_llDuration)
                leftOut.push_back({row->m_strPath, titles[i], start, row->m_llDuration});
        }
    }
    return leftOut;
}

std::u16string LeftOutChapterText(const sLeftOutChapter& chapter)
{
    std::u16string text = u"Chapter \"" + chapter.m_strTitle + u"\" (" + FormatChapterTime(chapter.m_llStart) +
                          u" into " + std::u16string(LastPathComponent(chapter.m_strPath)) +
                          u") is left out of the book: ";
    if (chapter.m_bTooClose)
        return text + u"it starts less than 1/600 s after the chapter before it";
    return text + u"the file's audio ends at " + FormatChapterTime(chapter.m_llFileEnd);
}
