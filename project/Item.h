#pragma once
// One row of the file list and one chapter of the book.
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/BookTypes.h"
#include "project/TagReader.h"

// Where chapter titles come from: a book project's chapter source,
// CHAPTERS_FROM_TAG at start, never stored.
inline constexpr int CHAPTERS_FROM_FILENAME = 0;  // menu item "From FileName"
inline constexpr int CHAPTERS_FROM_TAG = 1;       // menu item "From MP3 Tag"

// Reads the length and the chapters an audio file carries; tests hand one to
// the book project, which otherwise takes them from its tag reader's batch.
using ChapterReader = std::function<sFileChapters(const std::u16string& path)>;

// Base of list row records: a row shows its record's GetText in column 0.
struct sLVItem {
    virtual ~sLVItem() = default;
    virtual int GetImage() const { return -1; }  // -1: no image
    virtual std::u16string GetText() const { return {}; }
};

struct sItem : sLVItem {
    // Takes the tags of `path`, removes the extension from `name` and, when
    // the file has no track name, uses the shortened name.
    sItem(std::u16string path, std::u16string name, sTagInfo tags);
    // The same with the tags read by `readTags`.
    sItem(std::u16string path, std::u16string name, const TagReader& readTags);

    std::u16string GetText() const override { return m_strName; }
    // Column 0: the name; column 1: the chapter title from `source`, for a
    // file of several chapters the first one's and their count; any other
    // column: empty.
    std::u16string GetColumnText(int column, int source) const;
    // The titles of the file's chapters from `source`: one for a file
    // without chapters of its own. From file names, a file's chapters are its
    // name and their number; from tags, their own titles (an empty one is
    // named as from file names). A title the user edited replaces the one
    // from `source`, whichever it is.
    std::vector<std::u16string> ChapterTitles(int source) const;

    std::u16string m_strPath;  // full path of the audio file
    std::u16string m_strName;  // display name, without extension
    sTagInfo m_Tags;
    // The file's own chapters (from the file or a chapter sheet); empty: the
    // file is one chapter.
    std::vector<sChapterMark> m_chapters;
    int64_t m_llDuration = 0;  // 100 ns units; 0 when not known
    // Titles the user gave the file's chapters, by their place in the file;
    // they go with the row.
    std::map<size_t, std::u16string> m_editedTitles;

private:
    // The titles from `source` alone.
    std::vector<std::u16string> SourceTitles(int source) const;
};
