#pragma once
// The book's details in a `metadata.opf`, the package metadata that e-book
// and audiobook library managers keep beside a book: EPUB 2 (OPF 2, with the
// series in `calibre:series` metas) and EPUB 3 (roles, collections and title
// types as refining metas).
#include <string>
#include <string_view>

#include "base/BookDetails.h"

struct sOpfDetails {
    // Only the details the file gives are set: the first main title as
    // Album, a subtitle as Subtitle, the authors (creators with role "aut"
    // or none) as Artist and Album artist, the narrators (role "nrt") as
    // Narrator, the series and its index, the description as plain text,
    // the publisher, the language and the publication date's year.
    sBookDetails m_details;
    // Not empty: the file is not well-formed XML; names `shown` and the line,
    // and no detail is taken from it.
    std::u16string m_strProblem;
};

sOpfDetails ParseOpf(std::string_view bytes, std::u16string_view shown);
