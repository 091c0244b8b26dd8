#include "project/BookSidecar.h"

#include <filesystem>
#include <initializer_list>
#include <string_view>

#include "base/Text.h"
#include "project/ChapterSheet.h"
#include "project/OpfMetadata.h"
#include "project/PartFolder.h"
#include "project/PathText.h"
#include "project/SheetText.h"
#include "project/WholeFile.h"

namespace {

// The files of one folder, by their names in the folder.
class CFolderFiles {
public:
    explicit CFolderFiles(std::u16string folder) : m_strFolder(std::move(folder))
    {
        std::error_code error;
        std::filesystem::directory_iterator it(ToPath(m_strFolder), error);
        for (; !error && it != std::filesystem::directory_iterator(); it.increment(error))
            m_names.push_back(FromPath(it->path().filename()));
    }

    // The path of the first of `names` there is (without regard to case);
    // empty when there is none.
    std::u16string Find(std::initializer_list<std::u16string_view> names) const
    {
        for (std::u16string_view wanted : names) {
            for (const std::u16string& name : m_names) {
                if (EqualsIgnoreCase(name, wanted))
                    return JoinPath(m_strFolder, name);
            }
        }
        return {};
    }

private:
    std::u16string m_strFolder;
    std::vector<std::u16string> m_names;
};

// The bytes of the file at `path`, or empty with a notice.
std::string ReadSmallFile(const std::u16string& path, std::vector<std::u16string>& notices)
{
    sWholeFile file = ReadWholeFile(path, MAX_SIDECAR_BYTES);
    switch (file.m_result) {
    case eWholeFile::Read:
        return std::string(file.m_bytes.begin(), file.m_bytes.end());
    case eWholeFile::TooLarge:
        notices.push_back(SheetProblem(path, 0, u"is larger than 1 MiB; it is not read"));
        break;
    case eWholeFile::Unreadable:
        notices.push_back(SheetProblem(path, 0, u"can't be read"));
        break;
    case eWholeFile::Missing:
        break;  // a FIFO or a device named like one: not a file of details
    }
    return {};
}

// The text of a text file, line ends as line feeds, without the white space
// around it; empty with a notice when it cannot be read.
std::u16string ReadTextFile(const std::u16string& path, const std::string& legacyEncoding,
                            std::vector<std::u16string>& notices)
{
    const std::string bytes = ReadSmallFile(path, notices);
    if (bytes.empty())
        return {};
    const sSheetText decoded = DecodeSheetText(bytes, legacyEncoding);
    if (!decoded.m_strProblem.empty()) {
        notices.push_back(SheetProblem(path, 0, decoded.m_strProblem));
        return {};
    }
    std::u16string text;
    for (size_t i = 0; i < decoded.m_strText.size(); ++i) {
        const char16_t c = decoded.m_strText[i];
        if (c == u'\r' && i + 1 < decoded.m_strText.size() && decoded.m_strText[i + 1] == u'\n')
            continue;
        text += c == u'\r' ? u'\n' : c;
    }
    const size_t first = text.find_first_not_of(u" \t\n");
    if (first == std::u16string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(u" \t\n") - first + 1);
}

// Names one to a line ("Jane Roe\nJohn Doe") as one text: "Jane Roe, John Doe".
std::u16string JoinLines(std::u16string_view text)
{
    std::u16string joined;
    while (!text.empty()) {
        const size_t end = text.find(u'\n');
        std::u16string_view line = text.substr(0, end);
        text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
        while (!line.empty() && (line.front() == u' ' || line.front() == u'\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == u' ' || line.back() == u'\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!joined.empty())
            joined += u", ";
        joined += line;
    }
    return joined;
}

void ReadFolder(const std::u16string& folder, const std::string& legacyEncoding, sSidecarDetails& result)
{
    const CFolderFiles files(folder);
    sBookDetails found;
    const std::u16string opf = files.Find({u"metadata.opf"});
    if (!opf.empty()) {
        const std::string bytes = ReadSmallFile(opf, result.m_notices);
        if (!bytes.empty()) {
            sOpfDetails parsed = ParseOpf(bytes, opf);
            if (parsed.m_strProblem.empty())
                found = parsed.m_details;
            else
                result.m_notices.push_back(std::move(parsed.m_strProblem));
        }
    }
    const std::u16string description = files.Find({u"desc.txt", u"description.txt"});
    if (!description.empty()) {
        std::u16string text = ReadTextFile(description, legacyEncoding, result.m_notices);
        if (!text.empty())
            found[eDetail::Description] = std::move(text);
    }
    const std::u16string narrator = files.Find({u"reader.txt", u"narrator.txt"});
    if (!narrator.empty()) {
        std::u16string names = JoinLines(ReadTextFile(narrator, legacyEncoding, result.m_notices));
        if (!names.empty())
            found[eDetail::Narrator] = std::move(names);
    }
    OverlayDetails(result.m_details, found);
}

std::u16string ParentFolder(std::u16string_view path)
{
    const size_t separator = path.rfind(PATH_SEPARATOR);
    if (separator == std::u16string_view::npos || separator == 0)
        return {};
    return std::u16string(path.substr(0, separator));
}

}  // namespace

sSidecarDetails ReadSidecarDetails(const std::u16string& audioFile, const std::string& legacyEncoding)
{
    sSidecarDetails result;
    const std::u16string folder = ParentFolder(audioFile);
    if (folder.empty())
        return result;
    // The book's folder first, so that the part's own files win.
    const std::u16string book = ParentFolder(folder);
    if (!book.empty() && PartFolderNumber(LastPathComponent(folder)))
        ReadFolder(book, legacyEncoding, result);
    ReadFolder(folder, legacyEncoding, result);
    return result;
}

void OverlayDetails(sBookDetails& details, const sBookDetails& stronger)
{
    for (size_t i = 0; i < DETAIL_COUNT; ++i) {
        if (!stronger.m_values[i].empty())
            details.m_values[i] = stronger.m_values[i];
    }
}
