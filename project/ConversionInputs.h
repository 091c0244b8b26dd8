#pragma once
// The inputs of one conversion, built from the rows, the details and the cover.
#include <memory>
#include <string>
#include <vector>

#include "BookDetails.h"
#include "BookTypes.h"
#include "Item.h"

// One input per row, in row order: path, chapter title under the current
// g_nChapterMode, and the file's size (low 32 bits, 0 when not found) now.
std::vector<sInputFile> BuildInputFiles(const std::vector<const sItem*>& rows);
std::vector<sInputFile> BuildInputFiles(const std::vector<std::unique_ptr<sItem>>& rows);

// Row 0's tags with the six detail members replaced by the fields' texts
// (also by empty texts); the track name and the rest stay as read.
sTagInfo BuildMetadata(const sTagInfo& firstRowTags, const sBookDetails& details);

// The whole file, bytes unchanged. Empty for an empty path, a file that cannot
// be opened or read, and a file too large for a 32-bit size.
sCoverData ReadCoverBytes(const std::u16string& path);
