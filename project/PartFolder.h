#pragma once
// Folders that hold one part of a book ("CD1", "cd 2", "Disc 03", "Disk4",
// "Part 1"): they belong to the book of the folder above them, in the order
// of their numbers.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The part's number when `name` (one path component) names a part of a book:
// "cd", "disc", "disk" or "part" in any case, optionally a space, "-" or "_",
// then a number; nullopt otherwise ("Extras", "CD", "Part One").
std::optional<unsigned long> PartFolderNumber(std::u16string_view name);

// Sorts the files of one book: code unit by code unit over the whole path,
// except that part folders go by their numbers ("CD2" before "CD10", "CD1"
// before "CD 2").
void SortPathsInBookOrder(std::vector<std::u16string>& paths);
