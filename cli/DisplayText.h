#pragma once
// Text from file names and tags, made safe to print one item per line.
#include <string>
#include <string_view>

// UTF-8 of `text` with every control character written as an escape, so that
// a tab or line break cannot split a printed line into false fields and no
// escape sequence reaches the terminal: tab, line feed and carriage return as
// \t, \n, \r; other C0 and C1 controls and DEL as \u00XX; a byte of a file
// name that is not UTF-8 (a lone U+DC80..U+DCFF) as \xXX.
std::string EscapeForDisplay(std::u16string_view text);

// Writes "tavlin-cli: ", `message` escaped as above and a line end to standard
// error: a file or folder name in a message cannot split it or send escape
// sequences to the terminal.
void PrintMessage(std::u16string_view message);
// Writes "Warning: " and `message` escaped as above to standard error: what
// the user should know about a book that was made all the same.
void PrintWarning(std::u16string_view message);
