#pragma once
// Builds boxes and descriptors in memory, big-endian, patching each size
// when its box ends.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace mp4 {

class BoxWriter {
public:
    void U8(uint8_t v) { m_data.push_back(v); }
    void U16(uint16_t v);
    void U24(uint32_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    // A four-character code; `type` must hold exactly four bytes.
    void Type(std::string_view type);
    void Bytes(const void* data, size_t size);
    void Zeros(size_t count) { m_data.insert(m_data.end(), count, 0); }

    // Opens a box; returns the mark that End() needs.
    size_t Begin(std::string_view type);
    size_t BeginFull(std::string_view type, uint8_t version, uint32_t flags);
    void End(size_t mark);

    // Opens an MPEG-4 descriptor with a four-byte size field.
    size_t BeginDescriptor(uint8_t tag);
    void EndDescriptor(size_t mark);

    void Reserve(size_t bytes) { m_data.reserve(bytes); }
    const std::vector<uint8_t>& Data() const { return m_data; }
    std::vector<uint8_t> Release() { return std::move(m_data); }
    size_t Size() const { return m_data.size(); }

private:
    std::vector<uint8_t> m_data;
};

}  // namespace mp4
