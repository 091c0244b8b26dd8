#pragma once
// The book's six free-text details and how they map onto tag members.
#include <array>
#include <string>

#include "base/BookTypes.h"

struct sBookDetails {
    std::u16string m_strArtist;   // 1010 "Artist:"  <-> m_strPerformer
    std::u16string m_strWriter;   // 1013 "Writer:"  <-> m_strPublisher
    std::u16string m_strAlbum;    // 1012 "Album:"   <-> m_strAlbum
    std::u16string m_strYear;     // 1011 "Year:"    <-> m_strRecordedDate
    std::u16string m_strGenre;    // 1014 "Genre:"   <-> m_strGenre
    std::u16string m_strComment;  // 1015 "Comment:" <-> m_strComment
    bool operator==(const sBookDetails&) const = default;
};

// One detail field: its control id, label, and the members it is read from
// and written to.
struct sDetailField {
    int m_nId;
    const char16_t* m_szLabel;
    std::u16string sBookDetails::*m_pDetail;
    std::u16string sTagInfo::*m_pTag;
};

// In prefill order: Artist, Writer, Album, Year, Genre, Comment.
extern const std::array<sDetailField, 6> DETAIL_FIELDS;

// The details prefilled from a file's tags; every field is taken, also an
// empty one.
sBookDetails DetailsFromTags(const sTagInfo& tags);
