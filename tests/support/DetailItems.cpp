#include "tests/support/DetailItems.h"

#include "base/Text.h"
#include "tests/support/TestSupport.h"

namespace testsupport {

namespace {

constexpr const char* MUTAGEN_ITEMS = R"(
import sys
from mutagen.mp4 import MP4
for key, values in MP4(sys.argv[1]).tags.items():
    for v in values:
        v = v.decode('utf-8') if isinstance(v, bytes) else str(v)
        print(key + '=' + v.replace('\\', '\\\\').replace('\n', '\\n'))
)";

}  // namespace

std::string DetailTestValue(const sDetailRow& row)
{
    switch (row.m_detail) {
    case eDetail::Year: return "2004";
    case eDetail::SeriesPart: return "3";
    case eDetail::Description: return "First line\n  Second line \xc3\xa9";
    default: return "Value of " + std::string(row.m_key);
    }
}

std::string Mp4Items(const std::filesystem::path& book)
{
    // Debian's mutagen, whichever python comes first on the path.
    return Run({"/usr/bin/python3", "-c", MUTAGEN_ITEMS, book.string()}).output;
}

std::string ItemText(const sMp4Item& item, const std::string& value)
{
    if (item.m_value == eMp4Value::WholeNumber)
        return std::to_string(WholeNumber(FromUtf8(value)).value_or(-1));
    return value;
}

std::string Mp4ItemLine(const sMp4Item& item, const std::string& value)
{
    std::string key = item.Freeform() ? "----:com.apple.iTunes:" + std::string(item.m_name) : std::string(item.m_type);
    if (!item.Freeform() && static_cast<unsigned char>(key[0]) == 0xA9)
        key.replace(0, 1, "\xC2\xA9");  // "©" in UTF-8
    std::string text;
    for (char c : ItemText(item, value))
        text += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
    return key + "=" + text + "\n";
}

}  // namespace testsupport
