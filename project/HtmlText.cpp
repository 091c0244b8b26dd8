#include "project/HtmlText.h"

#include <array>
#include <cstdint>
#include <utility>

#include "project/PathText.h"

namespace {

bool IsLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

enum class eBreak { None, Line, Paragraph };

// What a tag of this (lower-case) name does to the text around it.
eBreak BreakOfTag(std::u16string_view name)
{
    static constexpr std::array<std::u16string_view, 4> LINE{u"br", u"li", u"tr", u"dt"};
    static constexpr std::array<std::u16string_view, 18> PARAGRAPH{
        u"p",  u"div", u"h1",         u"h2",    u"h3",  u"h4",      u"h5",     u"h6",      u"ul",
        u"ol", u"dl",  u"blockquote", u"table", u"hr",  u"section", u"article", u"header", u"footer"};
    for (std::u16string_view tag : LINE) {
        if (name == tag)
            return eBreak::Line;
    }
    for (std::u16string_view tag : PARAGRAPH) {
        if (name == tag)
            return eBreak::Paragraph;
    }
    return eBreak::None;
}

void AppendCodePoint(std::u16string& out, uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

// The entities that descriptions use; others stay as written.
constexpr std::array<std::pair<std::u16string_view, char16_t>, 16> NAMED_ENTITIES{{
    {u"amp", u'&'},
    {u"lt", u'<'},
    {u"gt", u'>'},
    {u"quot", u'"'},
    {u"apos", u'\''},
    {u"nbsp", u' '},
    {u"ndash", u'\u2013'},
    {u"mdash", u'\u2014'},
    {u"hellip", u'\u2026'},
    {u"lsquo", u'\u2018'},
    {u"rsquo", u'\u2019'},
    {u"ldquo", u'\u201C'},
    {u"rdquo", u'\u201D'},
    {u"copy", u'\u00A9'},
    {u"reg", u'\u00AE'},
    {u"trade", u'\u2122'},
}};

// Replaces the entity at `text[pos]` ("&…;") and returns the position after
// it; a "&" that starts no known entity is kept as it is.
size_t AppendEntity(std::u16string& out, std::u16string_view text, size_t pos)
{
    const size_t end = text.find(u';', pos);
    if (end == std::u16string_view::npos || end - pos > 10) {
        out += u'&';
        return pos + 1;
    }
    const std::u16string_view name = text.substr(pos + 1, end - pos - 1);
    if (name.size() > 1 && name.front() == u'#') {
        const bool hex = name[1] == u'x' || name[1] == u'X';
        uint32_t code = 0;
        const std::u16string_view digits = name.substr(hex ? 2 : 1);
        bool valid = !digits.empty();
        for (char16_t c : digits) {
            uint32_t digit = 0;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else
                valid = false;
            code = code * (hex ? 16 : 10) + digit;
        }
        if (valid) {
            AppendCodePoint(out, code);
            return end + 1;
        }
    }
    for (const auto& [entity, unit] : NAMED_ENTITIES) {
        if (name == entity) {
            out += unit;
            return end + 1;
        }
    }
    out += u'&';
    return pos + 1;
}

// Builds the text: runs of white space become one blank, breaks wait until
// the next word, so that none starts or ends the text or doubles up.
class CPlainText {
public:
    void Space() { m_bSpace = !m_text.empty(); }
    void Break(eBreak kind)
    {
        if (!m_text.empty() && kind > m_pending)
            m_pending = kind;
        m_bSpace = false;
    }
    void Append(std::u16string_view word)
    {
        if (m_pending != eBreak::None)
            m_text += m_pending == eBreak::Paragraph ? u"\n\n" : u"\n";
        else if (m_bSpace)
            m_text += u' ';
        m_pending = eBreak::None;
        m_bSpace = false;
        m_text += word;
    }
    std::u16string Take() { return std::move(m_text); }

private:
    std::u16string m_text;
    eBreak m_pending = eBreak::None;
    bool m_bSpace = false;
};

}  // namespace

bool LooksLikeHtml(std::u16string_view text)
{
    for (size_t pos = text.find(u'<'); pos != std::u16string_view::npos; pos = text.find(u'<', pos + 1)) {
        const size_t next = pos + 1 < text.size() && text[pos + 1] == u'/' ? pos + 2 : pos + 1;
        if (next < text.size() && IsLetter(text[next]) && text.find(u'>', next) != std::u16string_view::npos)
            return true;
    }
    return false;
}

std::u16string HtmlToPlainText(std::u16string_view html)
{
    CPlainText plain;
    std::u16string word;
    const auto endWord = [&] {
        if (!word.empty())
            plain.Append(word);
        word.clear();
    };
    size_t pos = 0;
    while (pos < html.size()) {
        const char16_t c = html[pos];
        if (c == u'<' && html.substr(pos, 4) == u"<!--") {
            const size_t end = html.find(u"-->", pos + 4);
            pos = end == std::u16string_view::npos ? html.size() : end + 3;
            continue;
        }
        const size_t nameStart = pos + 1 < html.size() && html[pos + 1] == u'/' ? pos + 2 : pos + 1;
        if (c == u'<' && nameStart < html.size() && IsLetter(html[nameStart])) {
            const size_t end = html.find(u'>', nameStart);
            if (end != std::u16string_view::npos) {
                size_t nameEnd = nameStart;
                while (nameEnd < end && (IsLetter(html[nameEnd]) || (html[nameEnd] >= u'0' && html[nameEnd] <= u'9')))
                    ++nameEnd;
                const eBreak kind = BreakOfTag(ToLowerCase(html.substr(nameStart, nameEnd - nameStart)));
                // An inline tag (<b>, <i>, <span>) leaves the words around it as they are.
                if (kind != eBreak::None) {
                    endWord();
                    plain.Break(kind);
                }
                pos = end + 1;
                continue;
            }
        }
        if (IsHtmlSpace(c)) {
            endWord();
            plain.Space();
            ++pos;
            continue;
        }
        if (c == u'&') {
            pos = AppendEntity(word, html, pos);
            continue;
        }
        word += c;
        ++pos;
    }
    endWord();
    return plain.Take();
}
