#include "project/Library.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/Text.h"
#include "project/PartFolder.h"
#include "project/PathText.h"

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view BOOK_SUFFIX = u".m4b";

bool IsDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

// Natural order: runs of digits by their value, other units without regard
// to case, the separator before anything else; ties go code unit by code unit.
bool NaturalLess(std::u16string_view a, std::u16string_view b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t endA = i;
            size_t endB = j;
            while (endA < a.size() && IsDigit(a[endA]))
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]))
                ++endB;
            // Without leading zeros, a longer run is a larger number.
            std::u16string_view runA = a.substr(i, endA - i);
            std::u16string_view runB = b.substr(j, endB - j);
            while (runA.size() > 1 && runA.front() == u'0')
                runA.remove_prefix(1);
            while (runB.size() > 1 && runB.front() == u'0')
                runB.remove_prefix(1);
            if (runA.size() != runB.size())
                return runA.size() < runB.size();
            if (runA != runB)
                return runA < runB;
            i = endA;
            j = endB;
            continue;
        }
        const char16_t unitA = a[i] == PATH_SEPARATOR ? 0 : LowerCaseUnit(a[i]);
        const char16_t unitB = b[j] == PATH_SEPARATOR ? 0 : LowerCaseUnit(b[j]);
        if (unitA != unitB)
            return unitA < unitB;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

// A file that a library run writes beside the book folder `name`: its book,
// a partial book kept beside that ("NAME (partial).m4b", "(partial 2)"...).
bool IsBookWrittenFor(std::u16string_view file, std::u16string_view name)
{
    if (!file.ends_with(BOOK_SUFFIX) || !file.starts_with(name))
        return false;
    const std::u16string_view mark = file.substr(name.size(), file.size() - name.size() - BOOK_SUFFIX.size());
    if (mark.empty() || mark == u" (partial)")
        return true;
    return mark.starts_with(u" (partial ") && mark.ends_with(u")") && mark.size() > 11 &&
           std::all_of(mark.begin() + 10, mark.end() - 1, IsDigit);
}

// The temporary name a book is written under until it is complete.
bool IsTemporaryBook(std::u16string_view file)
{
    return file.starts_with(u".") && file.find(u".tavlin-partial-") != std::u16string_view::npos;
}

struct sFolderScan {
    bool m_bHasAudio = false;  // audio anywhere at or below it
    bool m_bIsBook = false;
};

class CLibraryFinder {
public:
    CLibraryFinder(const std::u16string& root, const std::u16string& outputFolder)
        : m_strRoot(root), m_strOutputFolder(outputFolder)
    {
    }

    std::vector<sLibraryBook> Find()
    {
        Scan(m_strRoot);
        std::sort(m_books.begin(), m_books.end(),
                  [](const sLibraryBook& a, const sLibraryBook& b) { return NaturalLess(a.m_strName, b.m_strName); });
        return std::move(m_books);
    }

private:
    sFolderScan Scan(const std::u16string& folder)
    {
        std::error_code error;
        const fs::path real = fs::canonical(ToPath(folder), error);
        if (error || !m_open.insert(real).second)
            return {};
        std::vector<std::u16string> files;
        std::vector<std::u16string> parts;
        std::vector<std::u16string> others;  // sub-folders without a book of their own below them
        std::vector<std::u16string> books;   // names of sub-folders that hold books
        sFolderScan scan;
        fs::directory_iterator it(real, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            const std::u16string name = FromPath(it->path().filename());
            const std::u16string path = JoinPath(folder, name);
            std::error_code typeError;
            if (!it->is_directory(typeError)) {
                files.push_back(path);
            } else if (!m_strOutputFolder.empty() && IsSameFile(path, m_strOutputFolder)) {
                continue;  // the books of this run, or of an earlier one
            } else if (PartFolderNumber(name)) {
                parts.push_back(path);
            } else {
                const sFolderScan below = Scan(path);
                scan.m_bHasAudio |= below.m_bHasAudio;
                (below.m_bHasAudio ? books : others).push_back(path);
            }
        }
        m_open.erase(real);

        sCollectedFiles collected;
        for (const std::u16string& file : files) {
            const std::u16string_view name = LastPathComponent(file);
            const bool written = IsTemporaryBook(name) || std::any_of(books.begin(), books.end(), [&](const auto& book) {
                                     return IsBookWrittenFor(name, LastPathComponent(book));
                                 });
            if (!written)
                collected.CollectPath(file);
        }
        for (const std::u16string& part : parts)
            collected.ScanFolder(part);
        scan.m_bIsBook = !collected.m_audio.empty();
        scan.m_bHasAudio |= scan.m_bIsBook;
        if (!scan.m_bIsBook)
            return scan;
        // Pictures and sheets in folders without audio of their own go with the book.
        for (const std::u16string& other : others)
            collected.ScanFolder(other);
        AddBook(folder, std::move(collected));
        return scan;
    }

    void AddBook(const std::u16string& folder, sCollectedFiles files)
    {
        sLibraryBook book;
        book.m_strFolder = folder;
        const std::u16string_view name = LastPathComponent(folder);
        const bool isRoot = folder.size() == m_strRoot.size();
        const std::u16string below = isRoot ? std::u16string() : folder.substr(m_strRoot.size() + 1);
        book.m_strName = isRoot ? std::u16string(name) : below;
        if (m_strOutputFolder.empty()) {
            const std::u16string parent = folder.substr(0, folder.size() - name.size());
            book.m_strOutput = parent + std::u16string(name) + std::u16string(BOOK_SUFFIX);
        } else {
            book.m_strOutput = JoinPath(m_strOutputFolder, (isRoot ? std::u16string(name) : below) + std::u16string(BOOK_SUFFIX));
        }
        book.m_files = std::move(files);
        m_books.push_back(std::move(book));
    }

    const std::u16string m_strRoot;
    const std::u16string m_strOutputFolder;
    std::set<fs::path> m_open;  // the folders between the root and the one scanned
    std::vector<sLibraryBook> m_books;
};

}  // namespace

std::vector<sLibraryBook> FindLibraryBooks(const std::vector<std::u16string>& roots, const std::u16string& outputFolder)
{
    std::vector<sLibraryBook> books;
    for (const std::u16string& root : roots) {
        std::u16string folder = root;
        while (folder.size() > 1 && folder.back() == PATH_SEPARATOR)
            folder.pop_back();
        std::vector<sLibraryBook> found = CLibraryFinder(folder, outputFolder).Find();
        std::move(found.begin(), found.end(), std::back_inserter(books));
    }
    return books;
}

bool LibraryBookExists(const sLibraryBook& book)
{
    std::error_code error;
    return fs::exists(ToPath(book.m_strOutput), error);
}
