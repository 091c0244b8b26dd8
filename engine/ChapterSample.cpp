#include "engine/ChapterSample.h"

namespace {
void PutU16BE(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutU32BE(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16BE(out, v >> 16);
    PutU16BE(out, v & 0xFFFF);
}

void PutFourCC(std::vector<uint8_t>& out, const char* code)
{
    out.insert(out.end(), code, code + 4);
}

// Byte-order mark FF FE followed by the code units in little-endian order.
void PutUtf16LE(std::vector<uint8_t>& out, const std::u16string& text)
{
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (const char16_t unit : text) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
}
}  // namespace

std::u16string FitChapterTitle(const std::u16string& title)
{
    if (title.size() <= kMaxChapterTitleUnits)
        return title;
    size_t length = kMaxChapterTitleUnits;
    const char16_t last = title[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF)
        --length;  // do not leave half a surrogate pair
    return title.substr(0, length);
}

std::vector<uint8_t> BuildChapterSample(const std::u16string& fullTitle)
{
    const std::u16string title = FitChapterTitle(fullTitle);
    const auto n = static_cast<uint32_t>(title.size());
    std::vector<uint8_t> out;
    out.reserve(30 + 4 * n);
    PutU16BE(out, 2 * n + 2);  // length of the text: byte-order mark + title
    PutUtf16LE(out, title);
    PutU32BE(out, 12);
    PutFourCC(out, "encd");
    PutU32BE(out, 0x100);  // text encoding value 256
    PutU32BE(out, 2 * n + 14);
    PutFourCC(out, "orig");
    PutU32BE(out, 0x100);
    PutUtf16LE(out, title);
    return out;
}
