#include "project/PartFolder.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "project/PathText.h"

namespace {

constexpr std::array<std::u16string_view, 4> PART_WORDS{u"cd", u"disc", u"disk", u"part"};
// More digits than any real part number, fewer than would overflow.
constexpr size_t MAX_DIGITS = 9;

bool IsDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

// `path` with every folder that names a part written as its word in upper
// case and its number in ten digits, so that ordinal order is number order.
std::u16string BookOrderKey(const std::u16string& path)
{
    std::u16string key;
    key.reserve(path.size() + 16);
    size_t start = 0;
    for (size_t end = path.find(PATH_SEPARATOR); end != std::u16string::npos;
         start = end + 1, end = path.find(PATH_SEPARATOR, start)) {
        const std::u16string_view component(path.data() + start, end - start);
        if (const std::optional<unsigned long> number = PartFolderNumber(component)) {
            size_t letters = 0;
            while (letters < component.size() && !IsDigit(component[letters]) && component[letters] != u' ' &&
                   component[letters] != u'-' && component[letters] != u'_')
                ++letters;
            for (char16_t unit : component.substr(0, letters))
                key += UpperCaseUnit(unit);
            char digits[16];
            std::snprintf(digits, sizeof digits, "%010lu", *number);
            key.append(digits, digits + 10);
        } else {
            key += component;
        }
        key += PATH_SEPARATOR;
    }
    key.append(path, start);
    return key;
}

}  // namespace

std::optional<unsigned long> PartFolderNumber(std::u16string_view name)
{
    const std::u16string lower = ToLowerCase(name);
    for (std::u16string_view word : PART_WORDS) {
        if (!std::u16string_view(lower).starts_with(word))
            continue;
        size_t at = word.size();
        if (at < lower.size() && (lower[at] == u' ' || lower[at] == u'-' || lower[at] == u'_'))
            ++at;
        const size_t digits = lower.size() - at;
        if (digits == 0 || digits > MAX_DIGITS || !std::all_of(lower.begin() + at, lower.end(), IsDigit))
            return std::nullopt;
        unsigned long number = 0;
        for (size_t i = at; i < lower.size(); ++i)
            number = number * 10 + (lower[i] - u'0');
        return number;
    }
    return std::nullopt;
}

void SortPathsInBookOrder(std::vector<std::u16string>& paths)
{
    std::vector<std::pair<std::u16string, std::u16string>> keyed;
    keyed.reserve(paths.size());
    for (std::u16string& path : paths)
        keyed.emplace_back(BookOrderKey(path), std::move(path));
    // Equal keys ("CD1" and "cd1") fall back to the paths themselves.
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < paths.size(); ++i)
        paths[i] = std::move(keyed[i].second);
}
