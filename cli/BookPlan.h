#pragma once
// Turns the command line into a book project and the inputs of one
// conversion, exactly as a drop of the given paths onto the window would.
#include <string>
#include <vector>

#include "project/BookProject.h"
#include "cli/CliOptions.h"
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
    // What was done about the chapter sheets that their user may not expect.
    std::vector<std::u16string> m_sheetNotices;
    // Chapters inside the files that start at or past their file's stated end.
    std::vector<sLeftOutChapter> m_leftOutChapters;
    // Each chapter's length as its file states it, in book order (100 ns; 0:
    // not known), for what the split makes of it.
    std::vector<int64_t> m_chapterLengths;
};

// `workingFolder` is where relative paths and the default book name lead.
// The chapter source comes from the options. Tags are read with `readTags`,
// lengths and chapters with `readChapters`, and only once the paths and the
// output's name are known to be usable. A chapter sheet with a problem
// fails the plan. A dry run needs no name for the book.
sBookPlan PlanBook(const sCliOptions& options, const std::u16string& workingFolder,
                   TagReader readTags = MediaInfoTagReader(), ChapterReader readChapters = {});

// The sheets' notices ("Note: ..."), the chapters (number, title, file, and
// for a file of several chapters where each starts in it), the details, the
// cover and the output, as --dry-run prints them; control characters in names and tags are escaped,
// so every chapter stays one line of tab-separated fields.
std::string DescribePlan(const sBookPlan& plan);
