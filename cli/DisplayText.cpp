#include "cli/DisplayText.h"

#include <cstdio>

#include "base/Text.h"

namespace {

bool IsControl(char16_t unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool IsEscapedByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

std::string Hex(const char* format, unsigned value)
{
    char buffer[16];  // room for any unsigned value, so no output is cut
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

std::string EscapeForDisplay(std::u16string_view text)
{
    std::string out;
    size_t plainStart = 0;
    auto flushPlain = [&](size_t end) {
        out += ToUtf8(text.substr(plainStart, end - plainStart));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;  // a whole pair is a character above U+FFFF, printed as it is
            continue;
        }
        if (!IsControl(unit) && !IsEscapedByte(unit))
            continue;
        flushPlain(i);
        plainStart = i + 1;
        if (unit == u'\t')
            out += "\\t";
        else if (unit == u'\n')
            out += "\\n";
        else if (unit == u'\r')
            out += "\\r";
        else if (IsControl(unit))
            out += Hex("\\u%04X", unit);
        else
            out += Hex("\\x%02X", static_cast<unsigned>(unit - 0xDC00));
    }
    flushPlain(text.size());
    return out;
}

void PrintMessage(std::u16string_view message)
{
    std::fprintf(stderr, "tavlin-cli: %s\n", EscapeForDisplay(message).c_str());
}

void PrintWarning(std::u16string_view message)
{
    std::fprintf(stderr, "Warning: %s\n", EscapeForDisplay(message).c_str());
}
