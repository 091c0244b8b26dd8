#include "project/LibrarySummary.h"

#include <algorithm>

#include "base/Text.h"

void sLibraryResult::SetBook(size_t chapters, int64_t length100ns)
{
    m_strChapters = std::to_string(chapters);
    m_strLength = FormatDuration(static_cast<long>((length100ns + 5'000'000) / 10'000'000));
}

void sLibraryResult::SetTime(double seconds)
{
    m_strTime = FormatDuration(static_cast<long>(seconds + 0.5));
}

std::string LibrarySummaryTable(const std::vector<sLibraryResult>& results)
{
    const std::vector<std::string sLibraryResult::*> columns{&sLibraryResult::m_strName, &sLibraryResult::m_strChapters,
                                                             &sLibraryResult::m_strLength, &sLibraryResult::m_strTime,
                                                             &sLibraryResult::m_strResult};
    std::vector<sLibraryResult> rows{{"Book", "Chapters", "Length", "Time", "Result"}};
    rows.insert(rows.end(), results.begin(), results.end());
    std::vector<size_t> widths(columns.size(), 0);
    for (const sLibraryResult& row : rows) {
        for (size_t c = 0; c < columns.size(); ++c)
            widths[c] = std::max(widths[c], (row.*columns[c]).size());
    }
    std::string text;
    for (const sLibraryResult& row : rows) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const std::string& cell = row.*columns[c];
            text += cell;
            if (c + 1 < columns.size())
                text += std::string(widths[c] - cell.size() + 2, ' ');
        }
        text += '\n';
    }
    return text;
}
