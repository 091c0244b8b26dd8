#include "project/SplitChoice.h"

#include <cctype>

#include "base/Text.h"

namespace {
constexpr int64_t kSecond = 10000000;
}  // namespace

std::optional<int64_t> ParseSplitLength(std::string_view text)
{
    static constexpr std::pair<char, int64_t> kUnits[] = {{'h', 3600}, {'m', 60}, {'s', 1}};
    size_t unit = 0;
    int64_t seconds = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t digits = 0;
        int64_t value = 0;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 7; ++i, ++digits)
            value = value * 10 + (text[i] - '0');
        if (digits == 0 || i >= text.size())
            return std::nullopt;  // a number without its unit, or a unit without its number
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
        while (unit < std::size(kUnits) && kUnits[unit].first != letter)
            ++unit;
        if (unit == std::size(kUnits))
            return std::nullopt;  // an unknown unit, or units out of order
        seconds += value * kUnits[unit++].second;
    }
    if (seconds * kSecond < kMinSplitLength)
        return std::nullopt;
    return seconds * kSecond;
}

std::string FormatSplitLength(int64_t length)
{
    const int64_t seconds = length / kSecond;
    std::string text;
    if (seconds / 3600)
        text += std::to_string(seconds / 3600) + "h";
    if (seconds / 60 % 60)
        text += std::to_string(seconds / 60 % 60) + "m";
    if (seconds % 60 || text.empty())
        text += std::to_string(seconds % 60) + "s";
    return text;
}

std::optional<sChapterSplit> ParseSplitChoice(std::string_view text, std::string& error)
{
    const size_t comma = text.find(',');
    const std::string_view length = text.substr(0, comma);
    sChapterSplit split;
    split.m_eMode = eSplitMode::Pauses;
    if (comma != std::string_view::npos) {
        const std::string_view mode = text.substr(comma + 1);
        if (mode == "exact") {
            split.m_eMode = eSplitMode::Exact;
        } else if (mode != "silence") {
            error = "--split-chapters takes \"silence\" or \"exact\" after the length, not \"" + std::string(mode) + "\"";
            return std::nullopt;
        }
    }
    const std::optional<int64_t> parsed = ParseSplitLength(length);
    if (!parsed) {
        error = "--split-chapters takes a length of at least " + FormatSplitLength(kMinSplitLength) +
                " such as 20m, 90s or 1h30m, not \"" + std::string(length) + "\"";
        return std::nullopt;
    }
    split.m_llLength = *parsed;
    return split;
}

std::u16string DescribeChapterSplit(int64_t length, const sChapterSplit& split)
{
    if (!split.Splits())
        return {};
    const bool pauses = split.m_eMode == eSplitMode::Pauses;
    if (length <= 0)
        return u"length unknown: cut " + std::u16string(pauses ? u"at pauses " : u"") +
               u"during conversion if longer than " + FormatChapterTime(split.m_llLength * 3 / 2);
    const int parts = SplitPartCount(static_cast<uint64_t>(length), static_cast<uint64_t>(split.m_llLength));
    if (parts < 2)
        return {};
    const std::u16string count = u"cut into " + FromUtf8(std::to_string(parts)) + u" parts";
    if (pauses)
        return count + u" at pauses during conversion";
    return count + u", every " + FormatChapterTime(length / parts);
}
