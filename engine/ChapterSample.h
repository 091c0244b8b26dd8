#pragma once
// The text sample of one chapter in the chapter track: the title in UTF-16
// with a byte-order mark, an `encd` atom and an `orig` atom repeating it.
#include <cstdint>
#include <string>
#include <vector>

// The 16-bit length field limits a title to this many UTF-16 code units.
constexpr size_t kMaxChapterTitleUnits = 32766;

// A title cut to kMaxChapterTitleUnits, never in the middle of a surrogate pair.
std::u16string FitChapterTitle(const std::u16string& title);

std::vector<uint8_t> BuildChapterSample(const std::u16string& title);
