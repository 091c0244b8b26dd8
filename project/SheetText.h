#pragma once
// The text of a chapter sheet as people's editors save it: UTF-8 (with or
// without a byte-order mark), UTF-16 (after its byte-order mark, or told by
// the NUL bytes of its ASCII without one), and otherwise
// a legacy code page: Windows-1252, or one the user names.
#include <optional>
#include <string>
#include <string_view>

// Whether iconv knows the encoding `name` (for example "CP1251").
bool IsKnownSheetEncoding(const std::string& name);

struct sSheetText {
    std::u16string m_strText;
    // Not empty: the text could not be decoded, and says why.
    std::u16string m_strProblem;
};

// Decodes a sheet's bytes. Valid UTF-8 and a UTF-16 byte-order mark speak for
// themselves; other bytes are read as `legacyEncoding` (any name iconv
// knows) when it is given, else as Windows-1252.
sSheetText DecodeSheetText(std::string_view bytes, const std::string& legacyEncoding = {});
