#include "mp4/BoxWriter.h"

#include <cassert>
#include <cstring>

namespace mp4 {

void BoxWriter::U16(uint16_t v)
{
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
}

void BoxWriter::U24(uint32_t v)
{
    U8(static_cast<uint8_t>(v >> 16));
    U16(static_cast<uint16_t>(v));
}

void BoxWriter::U32(uint32_t v)
{
    U16(static_cast<uint16_t>(v >> 16));
    U16(static_cast<uint16_t>(v));
}

void BoxWriter::U64(uint64_t v)
{
    U32(static_cast<uint32_t>(v >> 32));
    U32(static_cast<uint32_t>(v));
}

void BoxWriter::Type(std::string_view type)
{
    assert(type.size() == 4);
    Bytes(type.data(), 4);
}

void BoxWriter::Bytes(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    m_data.insert(m_data.end(), p, p + size);
}

size_t BoxWriter::Begin(std::string_view type)
{
    const size_t mark = m_data.size();
    U32(0);
    Type(type);
    return mark;
}

size_t BoxWriter::BeginFull(std::string_view type, uint8_t version, uint32_t flags)
{
    const size_t mark = Begin(type);
    U8(version);
    U24(flags);
    return mark;
}

void BoxWriter::End(size_t mark)
{
    // An index box never nears 4 GiB: a 30-hour book's index is tens of MiB.
    const auto size = static_cast<uint32_t>(m_data.size() - mark);
    const uint8_t be[4] = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
    std::memcpy(m_data.data() + mark, be, 4);
}

size_t BoxWriter::BeginDescriptor(uint8_t tag)
{
    U8(tag);
    const size_t mark = m_data.size();
    U32(0);
    return mark;
}

void BoxWriter::EndDescriptor(size_t mark)
{
    // Seven bits per byte, high bit set on all but the last.
    const size_t length = m_data.size() - mark - 4;
    assert(length < (1u << 28));
    m_data[mark] = static_cast<uint8_t>(0x80 | ((length >> 21) & 0x7F));
    m_data[mark + 1] = static_cast<uint8_t>(0x80 | ((length >> 14) & 0x7F));
    m_data[mark + 2] = static_cast<uint8_t>(0x80 | ((length >> 7) & 0x7F));
    m_data[mark + 3] = static_cast<uint8_t>(length & 0x7F);
}

}  // namespace mp4
