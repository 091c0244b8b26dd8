#pragma once
// Turns the command line into a book project and the inputs of one
// conversion, exactly as a drop of the given paths onto the window would.
#include <cstdint>
#include <string>
#include <vector>

#include "project/BookProject.h"
#include "cli/CliOptions.h"
#include "project/Library.h"
#include "project/TagReader.h"

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_INTERRUPTED = 130;

struct sBookPlan {
    int m_nExitCode = EXIT_DONE;  // not EXIT_DONE: m_strError says why
    std::string m_strError;
    sConversionContext m_context;  // the conversion, without its pool
    std::u16string m_strOutput;  // absolute path of the book; empty in a dry run that cannot name it
    std::u16string m_strCover;   // the cover path chosen (may be empty)
    sBookDetails m_details;
    int64_t m_llLength = 0;  // the files' lengths as they state them, 100 ns units
    // What was done about the chapter sheets that their user may not expect,
    // and the files of details beside the audio that could not be read.
    std::vector<std::u16string> m_sheetNotices;
    // Every chapter of the book, for --dry-run; also listed when titles are
    // given by number.
    std::vector<sBookChapter> m_chapters;
    // Chapters inside the files that start at or past their file's stated end.
    std::vector<sLeftOutChapter> m_leftOutChapters;
};

// `given` as an absolute path from `workingFolder`, without "." steps and
// without a trailing separator; empty for an empty `given`.
std::u16string AbsolutePath(const std::string& given, const std::u16string& workingFolder);

// `workingFolder` is where relative paths and the default book name lead.
// The chapter source comes from the options. Tags are read with `readTags`,
// lengths and chapters with `readChapters`, and only once the paths and the
// output's name are known to be usable. A chapter sheet with a problem
// fails the plan. A dry run needs no name for the book.
sBookPlan PlanBook(const sCliOptions& options, const std::u16string& workingFolder,
                   TagReader readTags = MediaInfoTagReader(), ChapterReader readChapters = {});

// One book of a library, planned as a drop of its folder would be, with the
// per-book options (details, cover, bit rate); a book that does not complete
// is kept beside its output's name, never under it.
sBookPlan PlanLibraryBook(const sLibraryBook& book, const sCliOptions& options, const std::u16string& workingFolder,
                          TagReader readTags = MediaInfoTagReader());

// The sheets' notices ("Note: ..."), the chapters (where each starts in the
// book, its number, length, title and file; a warning where there are more
// than a player's chapter list holds), the details, the
// cover and the output, as --dry-run prints them; control characters in names and tags are escaped,
// so every chapter stays one line of tab-separated fields.
std::string DescribePlan(const sBookPlan& plan);

// The details, cover and output lines of DescribePlan.
std::string DescribeDetails(const sBookPlan& plan);
// The book's chapters: one per file, or as many as a file carries.
size_t ChapterCount(const sBookPlan& plan);
