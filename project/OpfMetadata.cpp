#include "project/OpfMetadata.h"

#include <expat.h>
#include <map>
#include <memory>
#include <vector>

#include "base/Text.h"
#include "project/ChapterSheet.h"
#include "project/HtmlText.h"

namespace {

struct ParserFreer {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using Parser = std::unique_ptr<XML_ParserStruct, ParserFreer>;

// A name without its namespace prefix: "dc:title" -> "title". The prefixes
// are matched by their local names alone, as files declare them in many ways
// (and some tools not at all).
std::string_view LocalName(std::string_view name)
{
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// One element inside <metadata>: a Dublin Core element or a <meta>.
struct sEntry {
    std::string m_name;  // local name: "title", "creator", "meta", ...
    std::map<std::string, std::string, std::less<>> m_attributes;  // by local name
    std::string m_text;

    std::string_view Attribute(std::string_view name) const
    {
        const auto it = m_attributes.find(name);
        return it == m_attributes.end() ? std::string_view() : std::string_view(it->second);
    }
};

struct sCollector {
    std::vector<sEntry> m_entries;
    int m_nMetadataDepth = 0;  // how many <metadata> elements are open
    int m_nEntryDepth = 0;     // elements open inside the entry being read
};

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto& collector = *static_cast<sCollector*>(data);
    const std::string_view local = LocalName(name);
    if (collector.m_nEntryDepth > 0) {
        ++collector.m_nEntryDepth;  // markup inside an entry: its text counts
        return;
    }
    if (local == "metadata") {
        ++collector.m_nMetadataDepth;
        return;
    }
    if (collector.m_nMetadataDepth == 0)
        return;
    sEntry entry;
    entry.m_name = local;
    for (size_t i = 0; attributes[i] && attributes[i + 1]; i += 2)
        entry.m_attributes.emplace(LocalName(attributes[i]), attributes[i + 1]);
    collector.m_entries.push_back(std::move(entry));
    collector.m_nEntryDepth = 1;
}

void XMLCALL OnEnd(void* data, const XML_Char* name)
{
    auto& collector = *static_cast<sCollector*>(data);
    if (collector.m_nEntryDepth > 0)
        --collector.m_nEntryDepth;
    else if (LocalName(name) == "metadata" && collector.m_nMetadataDepth > 0)
        --collector.m_nMetadataDepth;
}

void XMLCALL OnText(void* data, const XML_Char* text, int length)
{
    auto& collector = *static_cast<sCollector*>(data);
    if (collector.m_nEntryDepth > 0)
        collector.m_entries.back().m_text.append(text, static_cast<size_t>(length));
}

bool IsXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// One line: runs of white space (an XML writer's line wrapping) become one blank.
std::u16string OneLine(std::string_view utf8)
{
    std::u16string line;
    bool space = false;
    for (char16_t c : FromUtf8(utf8)) {
        if (IsXmlSpace(c)) {
            space = !line.empty();
            continue;
        }
        if (space)
            line += u' ';
        space = false;
        line += c;
    }
    return line;
}

// A description: HTML becomes plain text; plain text keeps its lines.
std::u16string Description(std::string_view utf8)
{
    const std::u16string text = FromUtf8(utf8);
    if (LooksLikeHtml(text))
        return HtmlToPlainText(text);
    std::u16string kept;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            kept += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            kept += text[i];
        }
    }
    const size_t first = kept.find_first_not_of(u" \t\n");
    if (first == std::u16string::npos)
        return {};
    return kept.substr(first, kept.find_last_not_of(u" \t\n") - first + 1);
}

// "2.0" -> "2", "2.50" -> "2.5": a series index as a decimal number is written
// without trailing zeros, so that a whole part reads as a whole number.
std::u16string SeriesIndex(std::u16string index)
{
    const size_t point = index.find(u'.');
    if (point == std::u16string::npos || point == 0 ||
        index.find_first_not_of(u"0123456789.") != std::u16string::npos || index.find(u'.', point + 1) != std::u16string::npos)
        return index;
    while (index.back() == u'0')
        index.pop_back();
    if (index.back() == u'.')
        index.pop_back();
    return index;
}

// The year of a date ("2015-03-01T00:00:00+00:00" -> "2015"); other text as
// it is. A year before 1000 is a library tool's "no date" and gives none.
std::u16string YearOf(std::u16string date)
{
    if (date.size() >= 4 && date.substr(0, 4).find_first_not_of(u"0123456789") == std::u16string::npos &&
        (date.size() == 4 || date[4] < u'0' || date[4] > u'9'))
        return date[0] == u'0' ? std::u16string() : date.substr(0, 4);
    return date;
}

// Reads the collected entries into details.
class COpfEntries {
public:
    explicit COpfEntries(const std::vector<sEntry>& entries) : m_entries(entries)
    {
        // EPUB 3 states a creator's role, a title's type and a collection's
        // type and position in metas that refine the element with that id.
        for (const sEntry& entry : entries) {
            const std::string_view target = entry.Attribute("refines");
            if (entry.m_name == "meta" && target.size() > 1 && target.front() == '#')
                m_refinements[std::string(target.substr(1))][std::string(entry.Attribute("property"))] =
                    ToUtf8(OneLine(entry.m_text));
        }
    }

    // The attribute `attribute` (EPUB 2), else the refining meta's
    // `property` (EPUB 3), lower-cased.
    std::string Refinement(const sEntry& entry, std::string_view attribute, std::string_view property) const
    {
        std::string value(entry.Attribute(attribute));
        if (value.empty()) {
            const auto refined = m_refinements.find(std::string(entry.Attribute("id")));
            if (refined != m_refinements.end()) {
                const auto it = refined->second.find(std::string(property));
                if (it != refined->second.end())
                    value = it->second;
            }
        }
        for (char& c : value)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return value;
    }

    // The first entry named `name` that `accept` takes, as one line.
    template <typename Accept>
    std::u16string First(std::string_view name, Accept accept) const
    {
        for (const sEntry& entry : m_entries) {
            if (entry.m_name == name && accept(entry)) {
                std::u16string text = OneLine(entry.m_text);
                if (!text.empty())
                    return text;
            }
        }
        return {};
    }
    std::u16string First(std::string_view name) const
    {
        return First(name, [](const sEntry&) { return true; });
    }

    // The names of the creators (and contributors) in `role`, joined by ", ".
    // A creator without a role is an author.
    std::u16string People(std::string_view role) const
    {
        std::u16string names;
        for (const sEntry& entry : m_entries) {
            if (entry.m_name != "creator" && entry.m_name != "contributor")
                continue;
            const std::string stated = Refinement(entry, "role", "role");
            const bool inRole = stated == role || (stated.empty() && role == "aut" && entry.m_name == "creator");
            const std::u16string name = OneLine(entry.m_text);
            if (!inRole || name.empty())
                continue;
            if (!names.empty())
                names += u", ";
            names += name;
        }
        return names;
    }

    // A calibre series meta's content ("calibre:series").
    std::u16string CalibreMeta(std::string_view name) const
    {
        for (const sEntry& entry : m_entries) {
            if (entry.m_name == "meta" && entry.Attribute("name") == name)
                return OneLine(entry.Attribute("content"));
        }
        return {};
    }

    // The EPUB 3 collection that is a series: one typed "series", else one
    // of no stated type. Null when there is none.
    const sEntry* SeriesCollection() const
    {
        const sEntry* untyped = nullptr;
        for (const sEntry& entry : m_entries) {
            if (entry.m_name != "meta" || entry.Attribute("property") != "belongs-to-collection" ||
                !entry.Attribute("refines").empty() || OneLine(entry.m_text).empty())
                continue;
            const std::string type = Refinement(entry, "collection-type", "collection-type");
            if (type == "series")
                return &entry;
            if (type.empty() && !untyped)
                untyped = &entry;
        }
        return untyped;
    }

    sBookDetails Details() const
    {
        sBookDetails details;
        const auto titleType = [this](const sEntry& entry) { return Refinement(entry, "title-type", "title-type"); };
        details[eDetail::Album] = First("title", [&](const sEntry& entry) { return titleType(entry) == "main"; });
        if (details[eDetail::Album].empty())
            details[eDetail::Album] = First("title", [&](const sEntry& entry) { return titleType(entry).empty(); });
        details[eDetail::Subtitle] =
            First("title", [&](const sEntry& entry) { return titleType(entry) == "subtitle"; });
        details[eDetail::Artist] = People("aut");
        details[eDetail::AlbumArtist] = details[eDetail::Artist];
        details[eDetail::Narrator] = People("nrt");

        details[eDetail::Series] = CalibreMeta("calibre:series");
        if (!details[eDetail::Series].empty()) {
            details[eDetail::SeriesPart] = SeriesIndex(CalibreMeta("calibre:series_index"));
        } else if (const sEntry* collection = SeriesCollection()) {
            details[eDetail::Series] = OneLine(collection->m_text);
            details[eDetail::SeriesPart] =
                SeriesIndex(FromUtf8(Refinement(*collection, "group-position", "group-position")));
        }

        for (const sEntry& entry : m_entries) {
            if (entry.m_name == "description") {
                details[eDetail::Description] = Description(entry.m_text);
                if (!details[eDetail::Description].empty())
                    break;
            }
        }
        details[eDetail::Publisher] = First("publisher");
        details[eDetail::Language] = First("language");
        // OPF 2 may list several dates by event; the publication's is the book's.
        details[eDetail::Year] = YearOf(First("date", [](const sEntry& entry) {
            const std::string_view event = entry.Attribute("event");
            return event.empty() || event == "publication";
        }));
        return details;
    }

private:
    const std::vector<sEntry>& m_entries;
    std::map<std::string, std::map<std::string, std::string>> m_refinements;  // by id, by property
};

}  // namespace

sOpfDetails ParseOpf(std::string_view bytes, std::u16string_view shown)
{
    sOpfDetails result;
    // Expat reads the encoding from the declaration or the byte-order mark,
    // and neither loads external entities nor expands entities without bound.
    Parser parser(XML_ParserCreate(nullptr));
    if (!parser) {
        result.m_strProblem = SheetProblem(shown, 0, u"can't be read (out of memory)");
        return result;
    }
    sCollector collector;
    XML_SetUserData(parser.get(), &collector);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser.get(), OnText);
    if (XML_Parse(parser.get(), bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_ERROR) {
        const auto line = static_cast<int>(XML_GetCurrentLineNumber(parser.get()));
        result.m_strProblem = SheetProblem(shown, line,
                                           FromUtf8(XML_ErrorString(XML_GetErrorCode(parser.get()))) +
                                               u"; its details are not used");
        return result;
    }
    result.m_details = COpfEntries(collector.m_entries).Details();
    return result;
}
