#pragma once
// Folders that hold one part of a book: "CD1", "CD 2", "Disc 03", "Disk4",
// "Part 1" (without regard to case). The book they belong to is their
// parent folder.
#include <string_view>

bool IsPartFolderName(std::u16string_view name);
