#include "base/Text.h"

#include <cstdint>
#include <cstdio>

namespace {

// Bytes that are not well-formed UTF-8 (a Latin-1 file name, an overlong or
// surrogate encoding) become lone surrogates U+DC80..U+DCFF, one per byte,
// so that a path read from the file system turns back into the same bytes.
constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// `escapedBytes`: lone surrogates standing for raw bytes are written as
// those bytes (paths); otherwise every lone surrogate becomes U+FFFD (text).
std::string Encode(std::u16string_view text, bool escapedBytes)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (escapedBytes && IsEscapedByte(text[i])) {
            out += static_cast<char>(c - kEscapeBase);
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Length of the well-formed UTF-8 sequence at `text[i]`, and its value; 0
// when the bytes there are not one (overlong forms, surrogates and values
// above U+10FFFF included).
size_t DecodeOne(std::string_view text, size_t i, uint32_t& value)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        value = b0;
        return 1;
    }
    size_t length;
    uint32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, value = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, value = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, value = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

std::string ToUtf8(std::u16string_view text)
{
    return Encode(text, false);
}

std::u16string FromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        uint32_t c = 0;
        const size_t length = DecodeOne(text, i, c);
        if (length == 0) {
            out += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

std::filesystem::path ToPath(std::u16string_view text)
{
    return std::filesystem::path(Encode(text, true));
}

std::u16string FromPath(const std::filesystem::path& path)
{
    return FromUtf8(path.native());
}

std::u16string FormatWithPath(std::u16string_view pattern, std::u16string_view value)
{
    std::u16string out(pattern);
    const auto pos = out.find(u"%ls");
    if (pos != std::u16string::npos)
        out.replace(pos, 3, value);
    return out;
}

std::u16string FormatChapterTime(int64_t time100ns)
{
    const int64_t milliseconds = time100ns / 10000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", static_cast<long long>(milliseconds / 3600000),
                  static_cast<long long>(milliseconds / 60000 % 60), static_cast<long long>(milliseconds / 1000 % 60),
                  static_cast<long long>(milliseconds % 1000));
    return FromUtf8(text);
}

std::string FormatDuration(long seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
    return text;
}
