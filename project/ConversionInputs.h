#pragma once
// The inputs of one conversion, built from the rows, the details and the cover.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/BookDetails.h"
#include "base/BookTypes.h"
#include "project/Item.h"

// One input per row, in row order: path, chapter title from the chapter
// `source` (with a file's several chapters, the first one's and each
// chapter's start and title), and the file's size (low 32 bits, 0 when not
// found) now.
std::vector<sInputFile> BuildInputFiles(const std::vector<const sItem*>& rows, int source);
std::vector<sInputFile> BuildInputFiles(const std::vector<std::unique_ptr<sItem>>& rows, int source);

// Row 0's tags with the six detail members replaced by the fields' texts
// (also by empty texts); the track name and the rest stay as read.
sTagInfo BuildMetadata(const sTagInfo& firstRowTags, const sBookDetails& details);

// The largest cover picture read. A picture is a few hundred kilobytes at
// most; a larger file is not a cover, and reading it whole would only
// hold the memory (up to 4 GiB) for nothing.
inline constexpr uint64_t MAX_COVER_BYTES = 64ull << 20;

// The whole file, bytes unchanged; for an audio file the picture stored inside
// it (IsEmbeddedCover). Empty for an empty path, anything but a regular file,
// a file that cannot be opened or read, an audio file without a picture, a
// picture larger than MAX_COVER_BYTES, and when the memory for it cannot be
// had.
sCoverData ReadCoverBytes(const std::u16string& path);
// True when `path` is a regular file larger than MAX_COVER_BYTES, or an audio
// file whose picture is.
bool IsCoverTooLarge(const std::u16string& path);
// What both front ends say of such a cover, `shown` naming it.
std::u16string CoverTooLargeText(std::u16string_view shown);
