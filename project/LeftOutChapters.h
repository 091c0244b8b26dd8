#pragma once
// Chapters inside files that a book cannot hold: found before the conversion
// by the files' stated lengths, and after it by their decoded audio (the
// engine's outcome), and told to the user in one wording.
#include <memory>
#include <string>
#include <vector>

#include "base/BookTypes.h"
#include "project/Item.h"

// The chapters of the rows, titled as in the book, that start at or past
// their file's stated length (where it states one), titled from the chapter
// `source`. The file's first chapter always starts with its audio.
std::vector<sLeftOutChapter> ChaptersPastStatedEnd(const std::vector<std::unique_ptr<sItem>>& rows, int source);

// "Chapter "Title" (0:00:07.000 into book.m4b) is left out of the book: ..."
// with the reason.
std::u16string LeftOutChapterText(const sLeftOutChapter& chapter);
