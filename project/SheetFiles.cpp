#include "project/SheetFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "project/CollectedFiles.h"
#include "project/PathText.h"
#include "project/SheetText.h"
#include "base/Text.h"

namespace {

// A sheet is a few kilobytes; a larger file is not one.
constexpr std::streamsize kMaxSheetBytes = 1 << 20;

std::vector<std::u16string> FolderEntries(const std::u16string& folder)
{
    std::vector<std::u16string> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(ToPath(folder), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error))
        entries.push_back(FromPath(it->path().filename()));
    return entries;
}

}  // namespace

sChapterSheet ReadChapterSheet(const std::u16string& path, const std::string& legacyEncoding)
{
    std::ifstream in(ToPath(path), std::ios::binary);
    std::string bytes;
    if (in) {
        bytes.resize(static_cast<size_t>(kMaxSheetBytes) + 1);
        in.read(bytes.data(), kMaxSheetBytes + 1);
        bytes.resize(static_cast<size_t>(in.gcount()));
    }
    sChapterSheet sheet;
    if (!in && !in.eof()) {
        sheet.m_strProblem = SheetProblem(path, 0, u"can't be read");
        return sheet;
    }
    if (bytes.size() > static_cast<size_t>(kMaxSheetBytes)) {
        sheet.m_strProblem = SheetProblem(path, 0, u"is too large for a chapter sheet");
        return sheet;
    }
    const sSheetText text = DecodeSheetText(bytes, legacyEncoding);
    if (!text.m_strProblem.empty()) {
        sheet.m_strProblem = SheetProblem(path, 0, text.m_strProblem);
        return sheet;
    }
    return EqualsIgnoreCase(ExtensionOf(path), CUE_SHEET_EXTENSION) ? ParseCueSheet(text.m_strText, path)
                                                                   : ParseChapterList(text.m_strText, path);
}

sSheetAudio FindSheetAudio(const std::u16string& sheet, std::u16string name)
{
    const size_t separator = sheet.rfind(PATH_SEPARATOR);
    const std::u16string folder = separator == 0 ? u"/" : sheet.substr(0, separator);
    const std::u16string direct = !name.empty() && name.front() == PATH_SEPARATOR ? name : JoinPath(folder, name);
    if (IsRegularFile(direct))
        return {direct};
    std::replace(name.begin(), name.end(), u'\\', PATH_SEPARATOR);
    const std::u16string_view wanted = LastPathComponent(name);
    const std::vector<std::u16string> entries = FolderEntries(folder);
    for (const std::u16string& entry : entries) {
        if (EqualsIgnoreCase(entry, wanted) && IsRegularFile(JoinPath(folder, entry)))
            return {JoinPath(folder, entry)};
    }
    const std::u16string baseName = RemoveExtension(wanted);
    std::vector<std::u16string> sameBase;
    for (const std::u16string& entry : entries) {
        if (ClassifyPath(entry) == eFileKind::Audio && EqualsIgnoreCase(RemoveExtension(entry), baseName) &&
            IsRegularFile(JoinPath(folder, entry)))
            sameBase.push_back(JoinPath(folder, entry));
    }
    if (sameBase.size() == 1)
        return {sameBase.front(), true};
    return {};
}
