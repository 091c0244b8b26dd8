#pragma once
// The book's details as MP4 tag items, where the detail table says players
// read each of them.
#include "base/BookDetails.h"

namespace mp4 {
class File;
}

void WriteDetails(mp4::File& file, const sBookDetails& details);
