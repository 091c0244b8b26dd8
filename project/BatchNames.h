#pragma once
// Ordering and naming of one batch of audio files.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Ascending, code unit by code unit over the whole path (case-sensitive:
// "B" before "a", "Track 10" before "Track 2").
void SortPathsOrdinal(std::vector<std::u16string>& paths);

// True when two entries (also two equal paths) have last path components
// that are equal without regard to case.
bool HasNameClash(const std::vector<std::u16string>& paths);

// Length of the case-insensitive common prefix of `first` and `other`, at
// most `limit`. Counts UTF-16 units, not path components, and never ends
// between the two halves of a surrogate pair.
size_t CommonPrefixLength(size_t limit, std::u16string_view first, std::u16string_view other);

// Display names (with extensions) of a sorted batch, one per path: the last
// path component, or, when names clash, the path after the batch's common
// prefix. A name that would be empty (the same file twice, or names that
// differ only in case) falls back to the last path component.
std::vector<std::u16string> MakeBatchNames(const std::vector<std::u16string>& sortedPaths);
