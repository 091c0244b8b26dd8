#pragma once
// The summary of a library run that both front ends show at its end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One book's line; "-" for what is not known (a book skipped or not started).
struct sLibraryResult {
    std::string m_strName;  // UTF-8, as it is to be shown
    std::string m_strChapters = "-";
    std::string m_strLength = "-";
    std::string m_strTime = "-";
    std::string m_strResult;  // "done", "skipped: exists", "failed: REASON", "aborted", "not started"

    void SetBook(size_t chapters, int64_t length100ns);
    void SetTime(double seconds);
};

// The results as a table of aligned columns under a header line.
std::string LibrarySummaryTable(const std::vector<sLibraryResult>& results);
