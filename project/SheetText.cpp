#include "project/SheetText.h"

#include <cerrno>
#include <iconv.h>

#include "base/Text.h"

namespace {

// An iconv conversion descriptor, closed with its owner.
class CIconv {
public:
    CIconv(const char* to, const char* from) : m_handle(::iconv_open(to, from)) {}
    ~CIconv()
    {
        if (IsOpen())
            ::iconv_close(m_handle);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool IsOpen() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

// What Windows-1252 puts at 0x80 to 0x9F; the five bytes it leaves
// undefined keep their own value, as Windows maps them.
constexpr char16_t kCp1252High[32] = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178'};

std::u16string FromCp1252(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(value >= 0x80 && value <= 0x9F ? kCp1252High[value - 0x80] : char16_t{value});
    }
    return text;
}

std::u16string FromUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first));
    }
    return text;
}

// Through iconv into UTF-8; nullopt when a byte is not of that encoding.
std::optional<std::u16string> FromNamed(std::string_view bytes, const CIconv& converter)
{
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* to = out.data();
    size_t outLeft = out.size();
    if (::iconv(converter.Get(), &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return FromUtf8(out);
}

// FromUtf8 keeps bytes that are not UTF-8 as lone surrogates.
bool IsCleanUtf8(const std::u16string& decoded)
{
    for (char16_t c : decoded) {
        if (c >= 0xDC80 && c <= 0xDCFF)
            return false;
    }
    return true;
}

}  // namespace

bool IsKnownSheetEncoding(const std::string& name)
{
    return !name.empty() && CIconv("UTF-8", name.c_str()).IsOpen();
}

sSheetText DecodeSheetText(std::string_view bytes, const std::string& legacyEncoding)
{
    if (bytes.starts_with("\xFF\xFE"))
        return {FromUtf16(bytes.substr(2), false), {}};
    if (bytes.starts_with("\xFE\xFF"))
        return {FromUtf16(bytes.substr(2), true), {}};
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    // Text holds no NUL byte, but UTF-16 saved without its mark holds one in
    // every unit of ASCII: on the high side of each unit, so its position
    // tells the byte order.
    if (const size_t nul = bytes.find('\0'); nul != std::string_view::npos && bytes.size() % 2 == 0)
        return {FromUtf16(bytes, nul % 2 == 0), {}};
    std::u16string decoded = FromUtf8(bytes);
    if (IsCleanUtf8(decoded))
        return {std::move(decoded), {}};
    if (legacyEncoding.empty())
        return {FromCp1252(bytes), {}};
    const CIconv converter("UTF-8", legacyEncoding.c_str());
    if (!converter.IsOpen())
        return {{}, u"can't be read as " + FromUtf8(legacyEncoding) + u", an encoding this system does not know"};
    std::optional<std::u16string> named = FromNamed(bytes, converter);
    if (!named)
        return {{}, u"is neither UTF-8 nor " + FromUtf8(legacyEncoding) + u" text"};
    return {std::move(*named), {}};
}
