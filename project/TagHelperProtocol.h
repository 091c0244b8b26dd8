#pragma once
// What the tag reader and its helper process, tavlin-tags, exchange.
//
// The helper's standard input holds the paths to read, each as its bytes
// followed by a NUL. Its standard output gets one answer per path, in the
// same order, as soon as that file is read. Numbers are in this machine's
// byte order:
//   the length of the file's MediaInfo report in UTF-16 units (4 bytes), the units;
//   the file's length in 100 ns units (8 bytes; 0: not known);
//   the number of its chapters (4 bytes), then for each chapter its start in
//   100 ns units (8 bytes), the length of its UTF-8 title in bytes (4 bytes)
//   and the bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/BookTypes.h"
#include "base/Text.h"

namespace tagprotocol {

inline constexpr char PATH_END = '\0';

// A report longer than this is no tag report but a broken or hostile reply.
inline constexpr uint32_t MAX_REPORT_UNITS = 4u << 20;
// A file's chapters beyond this many, and a title's bytes beyond this many,
// are left out by the helper; a longer answer is broken.
inline constexpr uint32_t MAX_CHAPTERS = 4096;
inline constexpr uint32_t MAX_TITLE_BYTES = 1024;

// The helper's option that sets its address-space limit in bytes.
inline constexpr std::string_view ADDRESS_SPACE_OPTION = "--address-space";

// What the helper read of one file.
struct sAnswer {
    std::u16string m_strReport;
    sFileChapters m_chapters;
};

template <typename Number>
void AppendNumber(std::string& out, Number number)
{
    out.append(reinterpret_cast<const char*>(&number), sizeof number);
}

// `title` in UTF-8, cut to MAX_TITLE_BYTES without splitting a character.
inline std::string LimitedTitle(std::u16string_view title)
{
    std::string bytes = ToUtf8(title);
    if (bytes.size() > MAX_TITLE_BYTES) {
        size_t end = MAX_TITLE_BYTES;
        while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
            --end;
        bytes.resize(end);
    }
    return bytes;
}

inline void AppendAnswer(std::string& out, std::u16string_view report, const sFileChapters& chapters)
{
    AppendNumber(out, static_cast<uint32_t>(report.size()));
    out.append(reinterpret_cast<const char*>(report.data()), report.size() * sizeof(char16_t));
    AppendNumber(out, static_cast<int64_t>(chapters.m_llDuration));
    const auto count = static_cast<uint32_t>(std::min<size_t>(chapters.m_chapters.size(), MAX_CHAPTERS));
    AppendNumber(out, count);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string title = LimitedTitle(chapters.m_chapters[i].m_strTitle);
        AppendNumber(out, static_cast<int64_t>(chapters.m_chapters[i].m_llStart));
        AppendNumber(out, static_cast<uint32_t>(title.size()));
        out += title;
    }
}

enum class eTake { Answer, Incomplete, Broken };

// Reads an answer's parts off the front of a buffer without consuming it.
class CAnswerCursor {
public:
    explicit CAnswerCursor(std::string_view bytes) : m_bytes(bytes) {}

    template <typename Number>
    bool Take(Number& number)
    {
        return Take(&number, sizeof number);
    }
    bool Take(void* to, size_t bytes)
    {
        if (m_bytes.size() - m_used < bytes)
            return false;
        std::memcpy(to, m_bytes.data() + m_used, bytes);
        m_used += bytes;
        return true;
    }
    size_t Used() const { return m_used; }

private:
    std::string_view m_bytes;
    size_t m_used = 0;
};

// Takes the first answer off the front of `buffer` into `answer`.
inline eTake TakeAnswer(std::string& buffer, sAnswer& answer)
{
    CAnswerCursor cursor(buffer);
    uint32_t units = 0;
    if (!cursor.Take(units))
        return eTake::Incomplete;
    if (units > MAX_REPORT_UNITS)
        return eTake::Broken;
    // A long report comes in many pieces: no copy of it before it is whole.
    if (buffer.size() < sizeof units + size_t{units} * sizeof(char16_t))
        return eTake::Incomplete;
    std::u16string report(units, u'\0');
    sFileChapters chapters;
    uint32_t count = 0;
    if (!cursor.Take(report.data(), size_t{units} * sizeof(char16_t)) || !cursor.Take(chapters.m_llDuration) ||
        !cursor.Take(count))
        return eTake::Incomplete;
    if (count > MAX_CHAPTERS)
        return eTake::Broken;
    for (uint32_t i = 0; i < count; ++i) {
        int64_t start = 0;
        uint32_t titleBytes = 0;
        if (!cursor.Take(start) || !cursor.Take(titleBytes))
            return eTake::Incomplete;
        if (titleBytes > MAX_TITLE_BYTES)
            return eTake::Broken;
        std::string title(titleBytes, '\0');
        if (!cursor.Take(title.data(), titleBytes))
            return eTake::Incomplete;
        chapters.m_chapters.push_back({start, FromUtf8(title)});
    }
    answer = {std::move(report), std::move(chapters)};
    buffer.erase(0, cursor.Used());
    return eTake::Answer;
}

}  // namespace tagprotocol
