#include "base/BookDetails.h"

namespace {
using M = sMp4Item;
constexpr std::string_view FREEFORM = "----";
}  // namespace

const std::array<sDetailRow, DETAIL_COUNT> DETAIL_ROWS{{
    {eDetail::Artist, "artist", u"Artist:", 1010, false, {u"Performer"}, {M{"\xA9" "ART"}}},
    {eDetail::Writer, "writer", u"Writer:", 1013, false, {u"Publisher"}, {M{"\xA9wrt"}}},
    {eDetail::Album, "album", u"Album:", 1012, false, {u"Album"}, {M{"\xA9" "alb"}}},
    {eDetail::Year, "year", u"Year:", 1011, false, {u"Recorded date"}, {M{"\xA9" "day"}}},
    {eDetail::Genre, "genre", u"Genre:", 1014, false, {u"Genre"}, {M{"\xA9gen"}}},
    {eDetail::Comment, "comment", u"Comment:", 1015, false, {u"Comment"}, {M{"\xA9" "cmt"}}},
    {eDetail::Narrator, "narrator", u"Narrator:", 0, false,
     {u"NARRATOR", u"nrt", u"Conductor", u"Composer"},
     {M{"\xA9nrt"}, M{FREEFORM, "NARRATOR"}}},
    {eDetail::Series, "series", u"Series:", 0, false, {u"SERIES", u"mvn"},
     {M{FREEFORM, "SERIES"}, M{"\xA9mvn", {}, eMp4Value::TextWithWholePart}}},
    {eDetail::SeriesPart, "series-part", u"Part in series:", 0, false, {u"SERIES-PART", u"mvi"},
     {M{FREEFORM, "SERIES-PART"}, M{"\xA9mvi", {}, eMp4Value::WholeNumber}}},
    {eDetail::Description, "description", u"Description:", 0, true,
     {u"DESCRIPTION", u"LongDescription", u"Description", u"Comment"},
     {M{"desc"}, M{"ldes"}, M{FREEFORM, "DESCRIPTION"}}},
    {eDetail::Publisher, "publisher", u"Publisher:", 0, false, {u"Publisher", u"pub"}, {M{FREEFORM, "PUBLISHER"}}},
    {eDetail::Language, "language", u"Language:", 0, false, {u"LANGUAGE", u"Language"},
     {M{FREEFORM, "LANGUAGE"}}},
    {eDetail::AlbumArtist, "album-artist", u"Album artist:", 0, false, {u"Album/Performer"}, {M{"aART"}}},
    {eDetail::Subtitle, "subtitle", u"Subtitle:", 0, false, {u"SUBTITLE", u"Track_More"},
     {M{FREEFORM, "SUBTITLE"}}},
    {eDetail::Copyright, "copyright", u"Copyright:", 0, false, {u"Copyright"}, {M{"cprt"}}},
    {eDetail::SortTitle, "sort-title", u"Sort title:", 0, false, {u"Album/Sorted by", u"ALBUMSORT"}, {M{"soal"}}},
    {eDetail::SortArtist, "sort-artist", u"Sort artist:", 0, false, {u"Performer/Sorted by", u"ARTISTSORT"}, {M{"soar"}}},
}};

const sDetailRow& DetailRow(eDetail detail)
{
    return DETAIL_ROWS[static_cast<size_t>(detail)];
}

const sDetailRow* FindDetailRow(std::string_view key)
{
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (row.m_key == key)
            return &row;
    }
    return nullptr;
}

std::optional<int> WholeNumber(std::u16string_view text)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}
