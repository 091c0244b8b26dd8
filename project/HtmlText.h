#pragma once
// Descriptions that library tools store as HTML (a metadata.opf written by an
// e-book manager holds "<p>…</p>", escaped) become plain text for a tag.
#include <string>
#include <string_view>

// True when `text` holds something that looks like an HTML tag ("<p>",
// "</div>", "<br/>"), so that it is not plain text that happens to hold a "<".
bool LooksLikeHtml(std::u16string_view text);

// The text of an HTML fragment: tags dropped, entities replaced, white space
// collapsed as a browser does; paragraphs, headings, divisions and lists are
// separated by an empty line, <br> and list items by a line break.
std::u16string HtmlToPlainText(std::u16string_view html);
