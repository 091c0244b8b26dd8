#pragma once
// Wide text is UTF-16 throughout the rules and the engine; it becomes UTF-8
// only at the operating-system boundary and in the tags written to a book.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Bytes that are not well-formed UTF-8 become lone surrogates U+DC80..U+DCFF,
// one per byte, so that file names in other encodings survive the round trip
// through FromPath and ToPath unchanged. As text (ToUtf8: tags, messages)
// such a surrogate is written as U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// File-system paths for UTF-16 text and back (UTF-8 on this platform).
std::filesystem::path ToPath(std::u16string_view text);
std::u16string FromPath(const std::filesystem::path& path);

// Replaces the first "%ls" in `pattern` by `value`.
std::u16string FormatWithPath(std::u16string_view pattern, std::u16string_view value);

// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(long seconds);

// "H:MM:SS.mmm" of a time in 100 ns units (milliseconds truncated).
std::u16string FormatChapterTime(int64_t time100ns);
