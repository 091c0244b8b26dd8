#pragma once
// The book project that the window and tavlin-cli both run on: the rows, the
// chapter-title source, the six details, the cover field, the name and folder
// offered for saving, with the rules of a drop, Add Files, New and Delete and
// the inputs of a conversion. A front end forwards the user's actions as
// calls and shows the state; a view it attaches hears of every change.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/BookDetails.h"
#include "project/BookChapters.h"
#include "project/BookProjectView.h"
#include "project/ChapterSheet.h"
#include "project/CollectedFiles.h"
#include "project/ConversionInputs.h"
#include "engine/ConversionContext.h"
#include "project/CoverChoice.h"
#include "project/Item.h"
#include "project/TagReader.h"

// Which of the book's own files an output path would replace.
enum class eOutputClash { None, InputFile, Cover };

class CBookProject {
public:
    // Reads the tags of added files with `readTags` (when empty, tags,
    // lengths and chapters through the tag helper), their lengths and
    // chapters with `readChapters` when given, else as `readTags` gives them
    // (a reader of tags alone: files bring no chapters of their own and
    // sheets are not checked against lengths).
    explicit CBookProject(TagReader readTags = {}, ChapterReader readChapters = {});
    CBookProject(const CBookProject&) = delete;
    CBookProject& operator=(const CBookProject&) = delete;

    // Tells `view` (not owned; null: none) of every change from now on.
    void SetView(IBookProjectView* view) { m_pView = view ? view : &m_noView; }

    // A drop of files and folders: a folder names the book (the last one
    // wins); audio replaces the rows; pictures go to the cover field; a .cue
    // sheet gives chapters to the file its FILE line names.
    void Drop(const std::vector<std::u16string>& paths);
    // A drop of the book folder `folder` whose files were already collected
    // (a book of a library: without the folders below it that hold books of
    // their own).
    void DropBookFolder(const std::u16string& folder, const sCollectedFiles& files);
    // Add Files: the chosen files (full paths, from any folders) are
    // appended; the book name stays.
    void AddFiles(const std::vector<std::u16string>& paths);
    // Deletes every row, empties the cover field, the book name and the six
    // details. The chapter source and the folder saved to stay.
    void New();
    // Deletes the rows at `indices` (any order; duplicates and indices past
    // the end ignored).
    void DeleteRows(std::vector<size_t> indices);

    // CHAPTERS_FROM_FILENAME or CHAPTERS_FROM_TAG: where every row's chapter
    // title comes from.
    void SetChapterSource(int source);
    int ChapterSource() const { return m_nChapterSource; }
    // Every chapter of the book, in order, with its title (edited or from the
    // chapter source) and where it starts in a book made as `encoding` says.
    // Reads the files' headers.
    std::vector<sBookChapter> BookChapters(const sEncodingChoice& encoding) const;
    // Gives chapter `mark` of row `row` the title `title`, kept with the row
    // under every chapter source until the row is deleted or ResetTitles.
    // Returns why a title is refused (a title with nothing but spaces), or
    // empty when it is taken.
    std::u16string RenameChapter(size_t row, size_t mark, std::u16string title);
    // Forgets every edited title: the chapter source names every chapter.
    void ResetTitles();

    // Row `row`'s text in list column `column` under the chapter source.
    std::u16string RowText(size_t row, int column) const { return m_rows[row]->GetColumnText(column, m_nChapterSource); }

    // A browsed, typed or given cover path; empty: no cover.
    void SetCoverPath(std::u16string path);

    // The chapters of a .cue sheet or of a chapter list (lines
    // "[H:]MM:SS[.mmm] Title") for a book of one file; a sheet's FILE line is
    // not looked at. A problem is kept in ChapterProblems.
    void SetChapterFile(const std::u16string& path);
    // The encoding (a name iconv knows; empty: Windows-1252) of sheets read
    // from now on that are neither UTF-8 nor UTF-16 with a byte-order mark.
    void SetSheetEncoding(std::string name) { m_strSheetEncoding = std::move(name); }
    // What is wrong with the chapter sheets of the list, each naming its
    // sheet and line. While there is any, nothing is to be converted. A
    // sheet's problems go when it is read again (dropped, added or given as
    // the chapter file), when the rows of the file they are for are deleted,
    // and with the rows (New, a drop of audio, deleting every row).
    std::vector<std::u16string> ChapterProblems() const;
    // What was done about the chapter sheets of the list that their user may
    // not expect (another file taken for a missing one, a first chapter
    // moved to the start of its file), each naming its sheet and line. They
    // stop nothing, and go as the problems go. After them, the files of
    // details beside the last batch's audio that could not be read (a
    // metadata.opf that is not well-formed, with its line), until the next
    // batch or until every row is gone.
    std::vector<std::u16string> ChapterNotices() const;

    // Whether and how long chapters are cut into parts; kept for every
    // conversion from now on.
    void SetChapterSplit(const sChapterSplit& split) { m_split = split; }
    const sChapterSplit& ChapterSplit() const { return m_split; }

    // A conversion can start exactly while there are rows.
    bool CanStart() const { return !m_rows.empty(); }
    // The book name with ".m4b": the file name offered for saving; empty
    // while no folder has named the book.
    std::u16string OfferedFileName() const;
    // Where to offer saving: the folder last saved to; before any save, the
    // folder dropped last, else the first row's folder; empty without rows.
    std::u16string SaveFolder() const;
    // The user chose `output` for the book: later saves start in its folder.
    void NoteSavedTo(const std::u16string& output);
    // A conversion completed: the book name is no longer offered.
    void ConversionCompleted() { m_strBookName.clear(); }

    // True when the chosen cover is too large to go into the book.
    bool CoverTooLarge() const { return IsCoverTooLarge(m_cover.GetCoverPath()); }
    // Whether writing `output` would replace a row's file or the cover.
    eOutputClash OutputClash(const std::u16string& output) const;
    // Everything a conversion of the current rows into `output` needs, the
    // files' sizes and the cover's bytes read now; call only with rows. The
    // front end gives it the pool to run on.
    sConversionContext BuildConversion(const std::u16string& output, const sEncodingChoice& encoding) const;

    const std::vector<std::unique_ptr<sItem>>& Rows() const { return m_rows; }
    const std::u16string& BookName() const { return m_strBookName; }
    // The details as typed: a front end writes the user's edits here.
    sBookDetails& Details() { return m_details; }
    const sBookDetails& Details() const { return m_details; }
    // The cover field: a front end writes the user's typing and line
    // choices here.
    CCoverChoice& Cover() { return m_cover; }
    const CCoverChoice& Cover() const { return m_cover; }

private:
    // A problem or a notice of a chapter sheet, kept until the sheet is
    // read again or the rows of its audio file are deleted.
    struct sChapterProblem {
        std::u16string m_strSheet;
        std::u16string m_strAudio;  // the file it is for; empty when not known
        std::u16string m_strText;
        bool m_bNotice = false;  // says what was done; stops nothing
    };

    // One file of a chapter sheet, and the audio file it names.
    struct sSheetTarget {
        std::u16string m_strAudio;
        std::u16string m_strSheet;
        const sChapterSheet* m_pSheet;
        const sSheetFile* m_pFile;
        bool m_bTaken = false;
    };

    // Appends the audio (prefilling the details from its first file and the
    // files beside it), gives the sheets' chapters to their files and hands
    // the pictures to the cover field. Without pictures, the picture inside
    // the first of the audio files that has one becomes the cover field's
    // line, for a `newBook` or an empty cover field.
    void AddCollected(const sCollectedFiles& files, bool newBook);
    void AddAudioBatch(std::vector<std::u16string> paths, std::vector<sSheetTarget>& targets);
    // The files of the sheets at `paths`, read into `sheets`; problems kept.
    std::vector<sSheetTarget> ReadSheets(const std::vector<std::u16string>& paths, std::vector<sChapterSheet>& sheets);
    // A new row's length and chapters: the file's own (`own`, as the tag
    // reader gave them), or a sheet's.
    void TakeRowChapters(sItem& row, sFileChapters own, std::vector<sSheetTarget>& targets);
    // Forgets the problems of the sheets at `paths`, which are read again.
    void ForgetSheetProblems(const std::vector<std::u16string>& paths);
    // Gives `row` the chapters of `file` when they all start inside it.
    bool TakeSheetChapters(sItem& row, const sSheetFile& file, const std::u16string& sheet);
    std::vector<std::u16string> SheetMessages(bool notices) const;
    // The sheet's PERFORMER and TITLE for the Artist and Album the first
    // file's tags left empty.
    void PrefillFromSheet(const sChapterSheet& sheet);
    void ClearRows();

    TagReader m_readTags;
    ChapterReader m_readChapters;
    std::vector<sChapterProblem> m_chapterProblems;
    std::vector<std::u16string> m_detailNotices;  // of the files beside the last batch
    std::string m_strSheetEncoding;
    IBookProjectView m_noView;
    IBookProjectView* m_pView = &m_noView;
    std::vector<std::unique_ptr<sItem>> m_rows;
    std::u16string m_strBookName;
    std::u16string m_strBookFolder;   // the folder dropped last
    std::u16string m_strSavedFolder;  // the folder saved to last
    int m_nChapterSource = CHAPTERS_FROM_TAG;
    sBookDetails m_details;
    CCoverChoice m_cover;
    sChapterSplit m_split;
};
