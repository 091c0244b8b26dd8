#pragma once
// The details that people and library tools keep in files beside a book's
// audio: a `metadata.opf`, `desc.txt` or `description.txt` (the
// description), `reader.txt` or `narrator.txt` (the narrator).
#include <cstdint>
#include <string>
#include <vector>

#include "base/BookDetails.h"

// Such a file is a few kilobytes; a larger one is not read.
inline constexpr uint64_t MAX_SIDECAR_BYTES = 1u << 20;

struct sSidecarDetails {
    sBookDetails m_details;  // only the details the files give are set
    // What could not be read, each naming its file (and the line of a
    // metadata.opf that is not well-formed). Such a file gives nothing; the
    // others still do.
    std::vector<std::u16string> m_notices;
};

// The details in the files of the folder that holds `audioFile`, and, when
// that folder is a part of a book ("CD1", "Disc 2"), of its parent too; the
// nearer folder's win. In one folder the text files win over metadata.opf
// for their detail. The names are matched without regard to case. Text that
// is neither UTF-8 nor UTF-16 with a byte-order mark is read as
// `legacyEncoding` (empty: Windows-1252), as chapter sheets are.
sSidecarDetails ReadSidecarDetails(const std::u16string& audioFile, const std::string& legacyEncoding);

// Every detail that `stronger` sets replaces the one in `details`.
void OverlayDetails(sBookDetails& details, const sBookDetails& stronger);
