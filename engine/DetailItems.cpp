#include "engine/DetailItems.h"

#include "base/Text.h"
#include "mp4/Mp4File.h"

void WriteDetails(mp4::File& file, const sBookDetails& details)
{
    const bool wholePart = WholeNumber(details[eDetail::SeriesPart]).has_value();
    for (const sDetailRow& row : DETAIL_ROWS) {
        const std::u16string& text = details[row.m_detail];
        if (text.empty())
            continue;
        const std::string utf8 = ToUtf8(text);
        for (const sMp4Item& item : row.m_items) {
            if (item.m_type.empty())
                continue;
            const std::string type(item.m_type);
            if (item.Freeform()) {
                file.SetMetadataFreeform(std::string(item.m_name), utf8);
            } else if (item.m_value == eMp4Value::WholeNumber) {
                if (const std::optional<int> number = WholeNumber(text))
                    file.SetMetadataNumber(type, static_cast<int16_t>(*number));
            } else if (item.m_value == eMp4Value::Text || wholePart) {
                file.SetMetadataText(type, utf8);
            }
        }
    }
}
