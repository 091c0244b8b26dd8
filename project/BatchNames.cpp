#include "project/BatchNames.h"

#include <algorithm>
#include <unordered_set>

#include "project/PathText.h"

void SortPathsOrdinal(std::vector<std::u16string>& paths)
{
    // char16_t is unsigned, so the standard comparison is by code unit value.
    std::sort(paths.begin(), paths.end());
}

bool HasNameClash(const std::vector<std::u16string>& paths)
{
    std::unordered_set<std::u16string> seen;
    for (const std::u16string& path : paths) {
        std::u16string key(LastPathComponent(path));
        for (char16_t& unit : key)
            unit = UpperCaseUnit(unit);
        if (!seen.insert(std::move(key)).second)
            return true;
    }
    return false;
}

namespace {

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// True when a cut after `length` units would separate the two halves of a
// surrogate pair in `path`.
bool SplitsPair(std::u16string_view path, size_t length)
{
    return length > 0 && length < path.size() && IsHighSurrogate(path[length - 1]) && IsLowSurrogate(path[length]);
}

size_t PrefixLengthByUnits(size_t limit, std::u16string_view first, std::u16string_view other)
{
    for (size_t i = 0; i <= limit; ++i) {
        if (i >= first.size() || i >= other.size())
            return i;
        if (UpperCaseUnit(first[i]) != UpperCaseUnit(other[i]))
            return i;
    }
    return limit;
}

}  // namespace

size_t CommonPrefixLength(size_t limit, std::u16string_view first, std::u16string_view other)
{
    // Two characters above U+FFFF may share their high surrogate; the names
    // cut after the prefix must start with whole characters.
    const size_t length = PrefixLengthByUnits(limit, first, other);
    return SplitsPair(first, length) || SplitsPair(other, length) ? length - 1 : length;
}

std::vector<std::u16string> MakeBatchNames(const std::vector<std::u16string>& sortedPaths)
{
    std::vector<std::u16string> names;
    names.reserve(sortedPaths.size());
    if (!HasNameClash(sortedPaths)) {
        for (const std::u16string& path : sortedPaths)
            names.emplace_back(LastPathComponent(path));
        return names;
    }
    size_t prefix = sortedPaths.front().size();
    for (size_t i = 1; i < sortedPaths.size(); ++i)
        prefix = CommonPrefixLength(prefix, sortedPaths.front(), sortedPaths[i]);
    for (const std::u16string& path : sortedPaths) {
        // The prefix can swallow a whole path when the same file comes twice
        // or two names differ only in case; such a row keeps its file name
        // rather than an empty one.
        if (path.size() > prefix)
            names.push_back(path.substr(prefix));
        else
            names.emplace_back(LastPathComponent(path));
    }
    return names;
}
