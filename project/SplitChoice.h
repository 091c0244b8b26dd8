#pragma once
// The text form of a chapter split, as tavlin-cli's --split-chapters and the
// window's "Split Long Chapters" dialog take it: a length such as "20m",
// "90s" or "1h30m", and on the command line the way cuts are placed after it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ChapterSplit.h"

// A length of hours, minutes and seconds, each a whole number followed by
// h, m or s, in that order ("1h30m", "20m", "90s"), at least
// kMinSplitLength; 100 ns units. Nothing for anything else.
std::optional<int64_t> ParseSplitLength(std::string_view text);
// The shortest such text for `length` ("1h30m", "20m", "1m30s").
std::string FormatSplitLength(int64_t length);

// "LENGTH[,MODE]" with MODE "silence" (the default) or "exact". Nothing
// for anything else; `error` says why.
std::optional<sChapterSplit> ParseSplitChoice(std::string_view text, std::string& error);

// What happens to a chapter of `length` (100 ns; 0: not known) under
// `split`, for a listing: empty when it stays whole, else "cut into 4 parts
// at pauses during conversion" or "cut into 4 parts, every 0:19:45".
std::u16string DescribeChapterSplit(int64_t length, const sChapterSplit& split);
