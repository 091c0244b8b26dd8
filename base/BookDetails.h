#pragma once
// The book's details: one table row per detail, with everything that names,
// reads and writes it. The window's fields, the command line, the tag reader,
// the dry-run and the MP4 writer all follow this table.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class eDetail : size_t {
    Artist,
    Writer,
    Album,
    Year,
    Genre,
    Comment,
    Narrator,
    Series,
    SeriesPart,
    Description,
    Publisher,
    Language,
    AlbumArtist,
    Subtitle,
    Copyright,
    SortTitle,
    SortArtist,
};
inline constexpr size_t DETAIL_COUNT = 17;

// One text per detail; an empty text is an unset detail.
struct sBookDetails {
    std::array<std::u16string, DETAIL_COUNT> m_values{};

    std::u16string& operator[](eDetail detail) { return m_values[static_cast<size_t>(detail)]; }
    const std::u16string& operator[](eDetail detail) const { return m_values[static_cast<size_t>(detail)]; }
    bool operator==(const sBookDetails&) const = default;
};

// How an MP4 item holds its detail.
enum class eMp4Value {
    Text,         // a UTF-8 `data` item
    WholeNumber,  // a 16-bit integer `data` item; written only when the text is a whole number
    // A UTF-8 `data` item written only when the part in series is a whole
    // number: Apple's movement name goes with its movement number.
    TextWithWholePart,
};

// One MP4 item a detail is written to: a four-byte item type ("\xA9" "ART"),
// or a freeform `----` item of Apple's "com.apple.iTunes" space named `m_name`.
struct sMp4Item {
    std::string_view m_type;
    std::string_view m_name{};
    eMp4Value m_value = eMp4Value::Text;
    bool Freeform() const { return m_type == "----"; }
};

inline constexpr size_t MAX_TAG_LABELS = 4;
inline constexpr size_t MAX_MP4_ITEMS = 3;

struct sDetailRow {
    eDetail m_detail;
    std::string_view m_key;        // the command-line option is "--" + key
    std::u16string_view m_label;   // the window's label
    int m_nControlId;              // the main window's field; 0: the "More Details" dialog
    bool m_bMultiLine;             // kept with its line breaks
    // Labels of the tag report it is read from, strongest first.
    std::array<std::u16string_view, MAX_TAG_LABELS> m_tagLabels;
    std::array<sMp4Item, MAX_MP4_ITEMS> m_items;  // the ones with a type
    bool InMainWindow() const { return m_nControlId != 0; }
};

// In the main window's prefill order first (Artist, Writer, Album, Year,
// Genre, Comment), then the other details in the order they are shown.
extern const std::array<sDetailRow, DETAIL_COUNT> DETAIL_ROWS;

const sDetailRow& DetailRow(eDetail detail);
// The row whose key is `key`, or none.
const sDetailRow* FindDetailRow(std::string_view key);

// "3" and "12" are whole numbers, "2.5", "Book 1" and "" are not.
std::optional<int> WholeNumber(std::u16string_view text);
